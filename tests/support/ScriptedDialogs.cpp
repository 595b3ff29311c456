#include "ScriptedDialogs.h"

ScriptedDialogs& ScriptedDialogs::queue(const Answer& answer) {
    m_answers.append(answer);
    return *this;
}

ScriptedDialogs::Answer ScriptedDialogs::take(Shown::Kind kind) {
    if (!m_answers.isEmpty() && m_answers.first().kind == kind)
        return m_answers.takeFirst();
    ++unexpected;
    return {kind};
}

QMessageBox::StandardButton ScriptedDialogs::message(QWidget*, QMessageBox::Icon,
                                                     const QString& title, const QString& text,
                                                     QMessageBox::StandardButtons buttons,
                                                     QMessageBox::StandardButton defaultButton) {
    shown.append({Shown::Message, title, text, buttons, defaultButton, {}});
    if (const QMessageBox::StandardButton scripted = take(Shown::Message).button)
        return scripted;
    // Unscripted: behave like the box's close control.
    const auto close = buttons & QMessageBox::Cancel ? QMessageBox::Cancel : QMessageBox::No;
    return buttons & close ? close : QMessageBox::Ok;
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
    shown.append({Shown::Input, title, label});
    return take(Shown::Input).text;
}

QString ScriptedDialogs::folder(QWidget* parent, const QString& title, const QString& start) {
    return input(parent, title, start, start);
}

void ScriptedDialogs::exec(QDialog& form) {
    shown.append({Shown::Form, form.windowTitle(), form.objectName()});
    if (const FormScript script = take(Shown::Form).form)
        script(form);
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
