#pragma once

#include <QDialog>
#include <memory>

#include "ui_FerryLogin.h"

// The sign-in dialog: asks for the account and hands back the connection record. Load it, call
// ShowForm once, then unload it.
class FerryLogin : public QDialog {
    Q_OBJECT
public:
    explicit FerryLogin(QWidget* parent = nullptr);
    ~FerryLogin() override;

    Ui::frmFerryLogin& form() { return *ui; }

    // Fills the dialog from the settings, waits for the user, checks the Internet connection and
    // writes the settings back. True when the caller may connect with the record; on false the
    // record keeps the values read from the settings.
    bool ShowForm(QString& sAddress, QString& sPort, QString& sUserName, QString& sPassword,
                  bool& bIsAnonymous, bool& bPassive);

    bool m_bCancelled = true;
    // False when ShowForm could not write the settings file.
    bool m_bSettingsSaved = true;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private slots:
    void Form_Load();
    void cmdConnect_Click();
    void cmdCancel_Click();
    void lblLink_Click();

private:
    std::unique_ptr<Ui::frmFerryLogin> ui;
};
