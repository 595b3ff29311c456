#include "Dialogs.h"

#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QPushButton>

namespace {

class ScreenDialogs final : public Dialogs {
public:
    QMessageBox::StandardButton message(QWidget* parent, QMessageBox::Icon icon,
                                        const QString& title, const QString& text,
                                        QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton) override {
        QMessageBox box(icon, title, text, buttons, parent);
        box.setDefaultButton(defaultButton);
        const int answer = box.exec();
        return QMessageBox::StandardButton(answer);
    }

    bool accept(QWidget* parent, const QString& title, const QString& text,
                const QString& acceptText) override {
        QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::NoButton, parent);
        QPushButton* yes = box.addButton(acceptText, QMessageBox::AcceptRole);
        QPushButton* cancel = box.addButton(QMessageBox::Cancel);
        cancel->setText(QStringLiteral("Cancel"));
        box.setDefaultButton(cancel);
        box.setEscapeButton(cancel);
        box.exec();
        return box.clickedButton() == yes;
    }

    QString input(QWidget* parent, const QString& title, const QString& label,
                  const QString& defaultText) override {
        bool ok = false;
        const QString text =
            QInputDialog::getText(parent, title, label, QLineEdit::Normal, defaultText, &ok);
        return ok ? text : QString();
    }

    void exec(QDialog& form) override { form.exec(); }

    QString folder(QWidget* parent, const QString& title, const QString& start) override {
        return QFileDialog::getExistingDirectory(parent, title, start);
    }
};

ScreenDialogs screenDialogs;
Dialogs* current = &screenDialogs;

}  // namespace

Dialogs& dialogs() {
    return *current;
}

void setDialogs(Dialogs* replacement) {
    current = replacement ? replacement : &screenDialogs;
}

bool Confirm(QWidget* parent, const QString& question) {
    return dialogs().message(parent, QMessageBox::Question, boxTitle(QStringLiteral("[Confirm]")),
                             question, QMessageBox::Yes | QMessageBox::No,
                             QMessageBox::Yes) == QMessageBox::Yes;
}
