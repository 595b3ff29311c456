#pragma once

#include <QDialog>
#include <QList>
#include <QMessageBox>
#include <QString>
#include <QVariant>
#include <functional>

#include "Dialogs.h"

// Answers the program's boxes, prompts and forms from a script and records what was shown.
// Install it with setDialogs(&script) for the length of a test.
class ScriptedDialogs final : public Dialogs {
public:
    struct Shown {
        enum Kind { Message, Input, Form, Folder } kind = Message;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString title;
        QString text;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
        QString formName;    // objectName of a form
        QString acceptText;  // the first answer of a box asked with accept()
    };
    using FormScript = std::function<void(QDialog&)>;

    ScriptedDialogs();
    ~ScriptedDialogs() override;

    // Queue answers, taken in order by the next box, prompt or form.
    ScriptedDialogs& answer(QMessageBox::StandardButton button);
    ScriptedDialogs& answerInput(const QString& text);  // empty text means Cancel
    ScriptedDialogs& answerForm(FormScript script);
    ScriptedDialogs& answerFolder(const QString& path);  // empty path means Cancel

    QMessageBox::StandardButton message(QWidget* parent, QMessageBox::Icon icon,
                                        const QString& title, const QString& text,
                                        QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton) override;
    // Answered like a message box: Yes accepts, anything else cancels.
    bool accept(QWidget* parent, const QString& title, const QString& text,
                const QString& acceptText) override;
    QString input(QWidget* parent, const QString& title, const QString& label,
                  const QString& defaultText) override;
    void exec(QDialog& form) override;
    QString folder(QWidget* parent, const QString& title, const QString& start) override;

    QList<Shown> shown;  // everything shown, in order
    int unexpected = 0;  // boxes shown with no scripted answer left
    int pending() const { return int(m_answers.size()); }
    // Texts of the shown message boxes, in order.
    QStringList messageTexts() const;

private:
    struct Answer {
        Shown::Kind kind;
        QMessageBox::StandardButton button = QMessageBox::NoButton;
        QString text;
        FormScript form;
    };
    bool take(Shown::Kind kind, Answer& out);
    QList<Answer> m_answers;
};
