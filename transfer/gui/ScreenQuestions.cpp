#include "ScreenQuestions.h"

#include "Dialogs.h"

bool ScreenQuestions::Confirm(const QString& question) {
    return ::Confirm(m_parent, question);
}

bool ScreenQuestions::accept(const QString& title, const QString& text, const QString& acceptText) {
    return dialogs().accept(m_parent, title, text, acceptText);
}

QString ScreenQuestions::input(const QString& title, const QString& label) {
    return dialogs().input(m_parent, title, label, QString());
}

void ScreenQuestions::warn(const QString& title, const QString& text, Buttons buttons) {
    dialogs().message(
        m_parent, QMessageBox::Warning, title, text,
        buttons == Buttons::Ok ? QMessageBox::Ok : QMessageBox::Ok | QMessageBox::Cancel,
        QMessageBox::Ok);
}

Questions::Replace ScreenQuestions::askReplace(const QString& question) {
    switch (dialogs().message(
        m_parent, QMessageBox::Question, boxTitle(QStringLiteral("[Confirm]")), question,
        QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No | QMessageBox::NoToAll,
        QMessageBox::Yes)) {
        case QMessageBox::YesToAll:
            return Replace::YesToAll;
        case QMessageBox::Yes:
            return Replace::Yes;
        case QMessageBox::NoToAll:
            return Replace::NoToAll;
        default:
            return Replace::No;
    }
}
