#pragma once

#include <QMessageBox>
#include <QString>

#include "BoxTitle.h"

class QDialog;
class QWidget;

// Every message box, input prompt and modal form of the program goes through this interface, so
// tests can answer them with a script and check what was asked.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A message box; returns the button chosen (the escape button when closed).
    virtual QMessageBox::StandardButton message(QWidget* parent, QMessageBox::Icon icon,
                                                const QString& title, const QString& text,
                                                QMessageBox::StandardButtons buttons,
                                                QMessageBox::StandardButton defaultButton) = 0;
    // A warning box with two answers, `acceptText` and "Cancel", Cancel being the default and
    // the escape button; true only for the first.
    virtual bool accept(QWidget* parent, const QString& title, const QString& text,
                        const QString& acceptText) = 0;
    // A one-line text prompt with OK and Cancel; Cancel gives empty text.
    virtual QString input(QWidget* parent, const QString& title, const QString& label,
                          const QString& defaultText) = 0;
    // Shows a form modally until it is hidden.
    virtual void exec(QDialog& form) = 0;
    // A folder chooser starting at `start`; empty text when cancelled.
    virtual QString folder(QWidget* parent, const QString& title, const QString& start) = 0;
};

// The dialogs in use: message boxes and prompts on screen unless a test installed its own.
Dialogs& dialogs();
// Installs another implementation (not owned); nullptr restores the on-screen one.
void setDialogs(Dialogs* replacement);

// A Yes/No question with the question icon, Yes as default and the "[Confirm]" title; true only
// for Yes.
bool Confirm(QWidget* parent, const QString& question);
