#pragma once

#include <QDialog>
#include <functional>

#include "Dialogs.h"

// Answers the program's boxes, prompts, folder choosers and forms from a script and records what
// was shown. It is installed for its lifetime.
class ScriptedDialogs final : public Dialogs {
public:
    struct Shown {
        enum Kind { Message, Input, Form } kind = Message;  // a folder chooser is an Input
        QString title;
        QString text;  // a form's objectName
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
        QString acceptText;  // the first answer of a box asked with accept()
    };
    using FormScript = std::function<void(QDialog&)>;

    ScriptedDialogs() { setDialogs(this); }
    ~ScriptedDialogs() override { setDialogs(nullptr); }

    // Queue answers, taken in order by the next box, prompt (empty text: Cancel) or form.
    ScriptedDialogs& answer(QMessageBox::StandardButton b) { return queue({Shown::Message, b}); }
    ScriptedDialogs& answerInput(const QString& text) { return queue({Shown::Input, {}, text}); }
    ScriptedDialogs& answerForm(FormScript f) { return queue({Shown::Form, {}, {}, f}); }

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
    // Texts of the message boxes shown, in order, from the `from`th thing shown on.
    QStringList messageTexts(int from = 0) const;

private:
    struct Answer {
        Shown::Kind kind;
        QMessageBox::StandardButton button = QMessageBox::NoButton;
        QString text;
        FormScript form;
    };
    ScriptedDialogs& queue(const Answer& answer);
    // The next answer when it is of this kind; an empty one (an unexpected box) otherwise.
    Answer take(Shown::Kind kind);
    QList<Answer> m_answers;
};
