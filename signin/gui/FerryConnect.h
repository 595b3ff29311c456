#pragma once

#include <QDialog>
#include <memory>

#include "ui_FerryConnect.h"

// The program's own prompt: callers set the caption, the message in Label1 and which buttons are
// offered, then show it. It stays loaded between uses, so a caption a caller gives a button
// stays until another caller changes it.
class FerryConnect : public QDialog {
    Q_OBJECT
public:
    explicit FerryConnect(QWidget* parent = nullptr);
    ~FerryConnect() override;

    Ui::frmFerryConnect& form() { return *ui; }

    // Shows the dialog modally; true when the user pressed cmdConnect.
    bool ShowForm();
    // Shows and enables the buttons named, hides and disables the others.
    void showButtons(bool ok, bool connect, bool cancel);

    bool m_bCancelled = true;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private slots:
    void cmdConnect_Click();
    void cmdOK_Click();
    void cmdCancel_Click();

private:
    std::unique_ptr<Ui::frmFerryConnect> ui;
};

// The program-wide prompt, created on first use.
FerryConnect& ferryConnect();
