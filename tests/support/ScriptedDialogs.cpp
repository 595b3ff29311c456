#include "ScriptedDialogs.h"

ScriptedDialogs::ScriptedDialogs() {
    setDialogs(this);
}

ScriptedDialogs::~ScriptedDialogs() {
    setDialogs(nullptr);
}

ScriptedDialogs& ScriptedDialogs::answer(QMessageBox::StandardButton button) {
    m_answers.append({Shown::Message, button, {}, {}});
    return *this;
}

ScriptedDialogs& ScriptedDialogs::answerInput(const QString& text) {
    m_answers.append({Shown::Input, QMessageBox::NoButton, text, {}});
    return *this;
}

ScriptedDialogs& ScriptedDialogs::answerFolder(const QString& path) {
    m_answers.append({Shown::Folder, QMessageBox::NoButton, path, {}});
    return *this;
}

QString ScriptedDialogs::folder(QWidget*, const QString& title, const QString& start) {
    shown.append(
        {Shown::Folder, QMessageBox::NoIcon, title, start, {}, QMessageBox::NoButton, {}, {}});
    Answer a;
    return take(Shown::Folder, a) ? a.text : QString();
}

ScriptedDialogs& ScriptedDialogs::answerForm(FormScript script) {
    m_answers.append({Shown::Form, QMessageBox::NoButton, {}, std::move(script)});
    return *this;
}

bool ScriptedDialogs::take(Shown::Kind kind, Answer& out) {
    if (m_answers.isEmpty() || m_answers.first().kind != kind) {
        ++unexpected;
        return false;
    }
    out = m_answers.takeFirst();
    return true;
}

QMessageBox::StandardButton ScriptedDialogs::message(QWidget*, QMessageBox::Icon icon,
                                                     const QString& title, const QString& text,
                                                     QMessageBox::StandardButtons buttons,
                                                     QMessageBox::StandardButton defaultButton) {
    shown.append({Shown::Message, icon, title, text, buttons, defaultButton, {}, {}});
    Answer a;
    if (!take(Shown::Message, a)) {
        // Unscripted: behave like the box's close control.
        if (buttons & QMessageBox::Cancel)
            return QMessageBox::Cancel;
        if (buttons & QMessageBox::No)
            return QMessageBox::No;
        return QMessageBox::Ok;
    }
    return a.button;
}

bool ScriptedDialogs::accept(QWidget*, const QString& title, const QString& text,
                             const QString& acceptText) {
    shown.append({Shown::Message,
                  QMessageBox::Warning,
                  title,
                  text,
                  QMessageBox::Yes | QMessageBox::Cancel,
                  QMessageBox::Cancel,
                  {},
                  acceptText});
    Answer a;
    return take(Shown::Message, a) && a.button == QMessageBox::Yes;
}

QString ScriptedDialogs::input(QWidget*, const QString& title, const QString& label,
                               const QString&) {
    shown.append(
        {Shown::Input, QMessageBox::NoIcon, title, label, {}, QMessageBox::NoButton, {}, {}});
    Answer a;
    return take(Shown::Input, a) ? a.text : QString();
}

void ScriptedDialogs::exec(QDialog& form) {
    Shown s;
    s.kind = Shown::Form;
    s.title = form.windowTitle();
    s.formName = form.objectName();
    shown.append(s);
    Answer a;
    if (take(Shown::Form, a) && a.form)
        a.form(form);
    else
        form.reject();
    // The form was shown modally; whatever the script did, it is hidden now.
    form.hide();
}

QStringList ScriptedDialogs::messageTexts() const {
    QStringList texts;
    for (const Shown& s : shown)
        if (s.kind == Shown::Message)
            texts << s.text;
    return texts;
}
