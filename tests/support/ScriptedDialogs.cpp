#include "ScriptedDialogs.h"

ScriptedDialogs& ScriptedDialogs::answer(QMessageBox::StandardButton button) {
    m_answers.append({Shown::Message, button, {}, {}});
    return *this;
}

ScriptedDialogs& ScriptedDialogs::answerInput(const QString& text) {
    m_answers.append({Shown::Input, QMessageBox::NoButton, text, {}});
    return *this;
}

ScriptedDialogs& ScriptedDialogs::answerForm(FormScript script) {
    m_answers.append({Shown::Form, QMessageBox::NoButton, {}, std::move(script)});
    return *this;
}

std::optional<ScriptedDialogs::Answer> ScriptedDialogs::take(Shown::Kind kind) {
    if (!m_answers.isEmpty() && m_answers.first().kind == kind)
        return m_answers.takeFirst();
    ++unexpected;
    return std::nullopt;
}

QMessageBox::StandardButton ScriptedDialogs::message(QWidget*, QMessageBox::Icon icon,
                                                     const QString& title, const QString& text,
                                                     QMessageBox::StandardButtons buttons,
                                                     QMessageBox::StandardButton defaultButton) {
    shown.append({Shown::Message, icon, title, text, buttons, defaultButton, {}});
    if (const std::optional<Answer> a = take(Shown::Message))
        return a->button;
    // Unscripted: behave like the box's close control.
    if (buttons & QMessageBox::Cancel)
        return QMessageBox::Cancel;
    return buttons & QMessageBox::No ? QMessageBox::No : QMessageBox::Ok;
}

bool ScriptedDialogs::accept(QWidget* parent, const QString& title, const QString& text,
                             const QString& acceptText) {
    const QMessageBox::StandardButton button =
        message(parent, QMessageBox::Warning, title, text, QMessageBox::Yes | QMessageBox::Cancel,
                QMessageBox::Cancel);
    shown.last().acceptText = acceptText;
    return button == QMessageBox::Yes;
}

QString ScriptedDialogs::input(QWidget*, const QString& title, const QString& label,
                               const QString&) {
    shown.append({Shown::Input, QMessageBox::NoIcon, title, label, {}, QMessageBox::NoButton, {}});
    const std::optional<Answer> a = take(Shown::Input);
    return a ? a->text : QString();
}

QString ScriptedDialogs::folder(QWidget* parent, const QString& title, const QString& start) {
    return input(parent, title, start, start);
}

void ScriptedDialogs::exec(QDialog& form) {
    shown.append({Shown::Form, QMessageBox::NoIcon, form.windowTitle(), form.objectName()});
    if (const std::optional<Answer> a = take(Shown::Form); a && a->form)
        a->form(form);
    else
        form.reject();
    // The form was shown modally; whatever the script did, it is hidden now.
    form.hide();
}

QStringList ScriptedDialogs::messageTexts(int from) const {
    QStringList texts;
    for (const Shown& s : shown.mid(from))
        if (s.kind == Shown::Message)
            texts << s.text;
    return texts;
}
