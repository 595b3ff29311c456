#pragma once

#include <QMainWindow>
#include <memory>

#include "BusyState.h"
#include "ConnectionRecord.h"
#include "LocalSide.h"
#include "PacedUpdates.h"
#include "ScreenQuestions.h"
#include "TransferWindow.h"

namespace Ui {
class FerryMenu;
}
namespace ftp {
class FtpClient;
}
class LogWindow;
class QTreeWidget;
class Download;
class FtpSession;
class ProjectUpload;
class RemoteManagement;
class RemoteSide;
class TransferNotifications;

// The transfer window: the program's one main window. It holds the controls, the connection
// record and the FTP component, and joins the local side, the remote side and the transfer
// commands to them.
class FerryMenu : public QMainWindow, public TransferWindow, public LocalSide::Hooks {
    Q_OBJECT
public:
    // The window uses `xFtp` for all FTP work; it does not own it.
    // The message log keeps this many lines at most.
    static constexpr int kMaxMessages = 5000;
    static inline const QString kMessagesDropped =
        QStringLiteral("[Older messages were removed to keep this log small.]");

    explicit FerryMenu(ftp::FtpClient& xFtp, QWidget* parent = nullptr);
    ~FerryMenu() override;

    // The start-up sequence; it ends by signing in and connecting.
    void Form_Load();
    // True once the window was unloaded: the program is to end.
    bool isUnloaded() const override { return m_bUnloaded; }

    void StatusBarInfo(const QString& sMessage) override;
    void DisplayMessage(const QString& line) override;
    void showTransferStatus(const QString& sMessage) override;
    void EnableConnectedCommands(bool bConnected) override;
    BusyState& busy() override { return m_busy; }
    void EnableRemoteCommands() override;
    void EnableLocalCommands() override;
    void setProgress(int percent) override;
    int Progress() const override;
    QString localPath() const override;
    void RefreshLocalFileList() override;
    void showUserAddress(const QString& caption) override;
    void showTransferWindow() override;
    void unloadWindow() override;
    QWidget* dialogParent() override { return this; }

    // How often log lines and transfer statuses reach the screen while an operation runs
    // (100 ms unless set); zero shows each as it comes.
    void setUpdatePace(std::chrono::milliseconds pace) { m_paced.setPace(pace); }

    // For the tests: the window's parts.
    Ui::FerryMenu& form() { return *ui; }
    const ConnectionRecord& record() const { return m_record; }
    LocalSide& localSide() { return *m_local; }
    RemoteSide& remoteSide() { return *m_remote; }
    FtpSession& session() { return *m_session; }
    ProjectUpload& upload() { return *m_upload; }
    Download& download() { return *m_download; }
    RemoteManagement& remoteManagement() { return *m_remoteManagement; }

public slots:
    void cmdCancel_Click();
    // Opens the log window, or brings it forward.
    void miShowLog_Click();

signals:
    // The status line now shows this text.
    void statusChanged(const QString& text);
    // The window was unloaded: the program ends once control is back in its main loop.
    void unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Unload();
    void connectCommands();
    // Without a projects folder: offers to choose one, which is kept in the settings.
    void chooseProjectDir(const QString& problem);
    void showPopup(QTreeWidget* list, const QPoint& pos, QMenu* menu);
    // Applies every command rule again, with the busy state.
    void applyCommandRules();
    void EnableAbortCommands(bool bBusy);
    void showStatus(const QString& sMessage);
    void appendMessages(const QStringList& lines);
    // While an operation runs, closing asks first; false when the user wants it to go on.
    bool mayCloseNow();

    std::unique_ptr<Ui::FerryMenu> ui;
    ftp::FtpClient& xFtp;
    ConnectionRecord m_record;
    ScreenQuestions m_questions;
    LocalSide* m_local = nullptr;
    RemoteSide* m_remote = nullptr;
    FtpSession* m_session = nullptr;
    ProjectUpload* m_upload = nullptr;
    Download* m_download = nullptr;
    RemoteManagement* m_remoteManagement = nullptr;
    TransferNotifications* m_notifications = nullptr;
    LogWindow* m_logWindow = nullptr;  // child of this, made when first shown
    BusyState m_busy;
    PacedUpdates m_paced;
    bool m_bConnected = false;
    bool m_bUnloaded = false;
};
