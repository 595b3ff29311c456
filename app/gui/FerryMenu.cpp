#include "FerryMenu.h"

#include <QAccessible>
#include <QCloseEvent>
#include <QDir>
#include <QHeaderView>
#include <QScreen>
#include <QShortcut>

#include "AppPath.h"
#include "Dialogs.h"
#include "Download.h"
#include "FtpClient.h"
#include "FtpSession.h"
#include "LogWindow.h"
#include "ProjectDir.h"
#include "ProjectUpload.h"
#include "RemoteManagement.h"
#include "RemoteSide.h"
#include "TransferNotifications.h"
#include "ui_FerryMenu.h"

namespace {

void SetUpList(QTreeWidget* list, const QString& first, const QString& second) {
    list->clear();
    list->setColumnCount(2);
    list->setHeaderLabels({first, second});
    const int width = list->width();
    list->header()->resizeSection(0, int(width * 0.66));
    list->header()->resizeSection(1, int(width * 0.33));
    list->setFrameShape(QFrame::Box);
    list->setSortingEnabled(true);
    list->sortByColumn(0, Qt::AscendingOrder);
    list->setRootIsDecorated(false);
}

// Holds the status label outside any layout: a label in a layout lays out the whole window
// again for each new text, many a second during a transfer, though the box keeps its size.
class StatusHolder : public QWidget {
public:
    StatusHolder(QLabel* label, QLayout* layout) : QWidget(label->parentWidget()), m_label(label) {
        delete layout->replaceWidget(label, this);
        label->setParent(this);
        label->show();
    }

protected:
    void resizeEvent(QResizeEvent*) override { m_label->setGeometry(rect()); }

private:
    QLabel* m_label;
};

}  // namespace

FerryMenu::FerryMenu(ftp::FtpClient& ftpClient, QWidget* parent)
    : QMainWindow(parent),
      ui(std::make_unique<Ui::FerryMenu>()),
      xFtp(ftpClient),
      m_questions(this) {
    ui->setupUi(this);
    // The status box keeps its size: a longer status must not move the lists above it. Two
    // lines are kept from the start; a taller status makes the box taller for good (see
    // showStatus).
    auto* statusHolder = new StatusHolder(ui->lblStatus, ui->statusLayout);
    statusHolder->setMinimumHeight(2 * ui->lblStatus->fontMetrics().lineSpacing());
    ui->Picture1->setPixmap(style()->standardIcon(QStyle::SP_DriveNetIcon).pixmap(48, 48));
    ui->cmdReceive->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
    ui->cmdUpFtp->setIcon(style()->standardIcon(QStyle::SP_FileDialogToParent));
    ui->cmdUpLocal->setIcon(style()->standardIcon(QStyle::SP_FileDialogToParent));
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &FerryMenu::cmdCancel_Click);
    connect(&m_busy, &BusyState::changed, this, &FerryMenu::applyCommandRules);
    connect(&m_paced, &PacedUpdates::linesReady, this, &FerryMenu::appendMessages);
    connect(&m_paced, &PacedUpdates::statusReady, this, &FerryMenu::showStatus);
    // A progress bar draws itself at once on each new value, so its values are paced too.
    connect(&m_paced, &PacedUpdates::progressReady, ui->prgStatus, &QProgressBar::setValue);
    // The log is complete whenever the window is idle.
    connect(&m_busy, &BusyState::changed, &m_paced, [this](bool busy) {
        if (!busy)
            m_paced.flushLines();
    });
}

FerryMenu::~FerryMenu() = default;

void FerryMenu::Form_Load() {
    SetUpList(ui->lstRemoteFileList, QStringLiteral("Website"), QStringLiteral("Date"));
    SetUpList(ui->lstLocalFileList, QStringLiteral("Pictavo Project"), QStringLiteral("Date"));

    m_local = new LocalSide(ui->cboLocalPath, ui->lstLocalFileList, *this, this, this);
    m_remote = new RemoteSide(ui->cboRemotePath, ui->lstRemoteFileList, xFtp, *this, this);
    m_session =
        new FtpSession(xFtp, *m_remote, ui->cboRemotePath, *this, m_questions, m_record, this);
    m_upload = new ProjectUpload(ui->lstLocalFileList, ui->lstRemoteFileList, xFtp, *m_remote,
                                 *this, m_record, this);
    m_download = new Download(ui->lstRemoteFileList, xFtp, *this, m_questions, this);
    m_remoteManagement =
        new RemoteManagement(ui->lstRemoteFileList, xFtp, *m_remote, *this, m_questions, this);
    m_notifications = new TransferNotifications(xFtp, *this, m_questions, this);
    connectCommands();

    ui->optBinary->setChecked(true);
    m_record = ConnectionRecord();

    EnableLocalCommands();
    EnableRemoteCommands();
    EnableConnectedCommands(false);
    EnableAbortCommands(false);

    m_local->localPaths().RetrieveLogicalDrives();
    if (dataPath() != GetAppPath())
        DisplayMessage(QStringLiteral("The program's folder cannot be written: the settings and "
                                      "the FTP log are kept in ") +
                       dataPath());
    ProjectDir projects = readProjectDir(initializePath());
    if (projects.folder.isEmpty())
        projects.folder = chosenProjectDir();
    if (!projects.folder.isEmpty()) {
        m_local->setLocalPath(projects.folder);
        m_local->localPaths().RetrieveLocalFolderContents(m_local->localPath());
    }
    StatusBarInfo(QStringLiteral("Welcome to the Pictavo Ferrymate."));
    setProgress(0);
    if (projects.folder.isEmpty())
        chooseProjectDir(projects.problem);

    m_session->ConnectToServer();
}

void FerryMenu::chooseProjectDir(const QString& problem) {
    if (dialogs().message(this, QMessageBox::Warning, boxTitle(QStringLiteral("[Notice]")),
                          problem + QStringLiteral("\r\rChoose the projects folder now?"),
                          QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) != QMessageBox::Yes)
        return;
    const QString folder = dialogs().folder(
        this, QStringLiteral("Pictavo Ferrymate - Projects folder"), QDir::homePath());
    if (folder.isEmpty())
        return;
    if (!keepProjectDir(folder))
        DisplayMessage(QStringLiteral("The projects folder could not be saved in ") +
                       settingsPath());
    m_local->setLocalPath(appPathFrom(folder));
    m_local->localPaths().RetrieveLocalFolderContents(m_local->localPath());
}

void FerryMenu::connectCommands() {
    const auto both = [this](QAbstractButton* button, QAction* action, auto* receiver, auto slot) {
        if (button)
            connect(button, &QAbstractButton::clicked, receiver, slot);
        if (action)
            connect(action, &QAction::triggered, receiver, slot);
    };
    connect(ui->cmdCancel, &QPushButton::clicked, this, &FerryMenu::cmdCancel_Click);
    connect(ui->miShowLog, &QAction::triggered, this, &FerryMenu::miShowLog_Click);

    both(ui->cmdConnect, ui->miConnect, m_session, &FtpSession::cmdConnect_Click);
    both(ui->cmdDisconnect, ui->miDisconnect, m_session, &FtpSession::cmdDisconnect_Click);
    both(ui->cmdAbort, ui->miAbort, m_session, &FtpSession::cmdAbort_Click);
    connect(ui->optAscii, &QRadioButton::toggled, m_session, [this](bool checked) {
        if (checked)
            m_session->optAscii_Click();
    });
    connect(ui->optBinary, &QRadioButton::toggled, m_session, [this](bool checked) {
        if (checked)
            m_session->optBinary_Click();
    });

    both(ui->cmdSend, ui->miSend, m_upload, &ProjectUpload::cmdSend_Click);
    both(ui->cmdView, nullptr, m_upload, &ProjectUpload::cmdView_Click);
    connect(ui->lstLocalFileList, &QTreeWidget::itemDoubleClicked, m_upload,
            &ProjectUpload::lstLocalFileList_DblClick);
    both(ui->cmdReceive, ui->miReceive, m_download, &Download::cmdReceive_Click);

    both(ui->cmdDelete, nullptr, m_remoteManagement, &RemoteManagement::cmdDelete_Click);
    both(ui->cmdDeleteRemoteFile, ui->miDeleteRemoteFile, m_remoteManagement,
         &RemoteManagement::cmdDeleteRemoteFile_Click);
    both(ui->cmdRenameRemoteFile, ui->miRenameRemoteFile, m_remoteManagement,
         &RemoteManagement::cmdRenameRemoteFile_Click);
    both(ui->cmdDeleteRemoteFolder, ui->miRemoveRemoteFolder, m_remoteManagement,
         &RemoteManagement::cmdDeleteRemoteFolder_Click);
    both(ui->cmdCreateRemoteFolder, ui->miCreateRemoteFolder, m_remoteManagement,
         &RemoteManagement::cmdCreateRemoteFolder_Click);
    both(ui->cmdUpFtp, nullptr, m_remote, &RemoteSide::cmdUpFtp_Click);

    both(ui->cmdDeleteLocalFile, ui->miDeleteLocalFile, m_local,
         &LocalSide::DeleteSelectedLocalFiles);
    both(ui->cmdRenameLocalFile, ui->miRenameLocalFile, m_local,
         &LocalSide::RenameSelectedLocalFile);
    both(ui->cmdCreateLocalFolder, ui->miCreateLocalFolder, m_local,
         &LocalSide::CreateNewLocalFolder);
    both(ui->cmdRemoveLocalFolder, ui->miRemoveLocalFolder, m_local,
         &LocalSide::RemoveSelectedLocalFolder);
    both(ui->cmdUpLocal, nullptr, m_local, &LocalSide::cmdUpLocal_Click);

    // Every selection change re-evaluates the rules, so keyboard users get the same commands.
    connect(ui->lstLocalFileList, &QTreeWidget::itemSelectionChanged, this,
            &FerryMenu::EnableLocalCommands);
    connect(ui->lstRemoteFileList, &QTreeWidget::itemSelectionChanged, this,
            &FerryMenu::EnableRemoteCommands);
    ui->lstLocalFileList->setContextMenuPolicy(Qt::CustomContextMenu);
    ui->lstRemoteFileList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ui->lstLocalFileList, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { showPopup(ui->lstLocalFileList, pos, ui->miLocal); });
    connect(ui->lstRemoteFileList, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { showPopup(ui->lstRemoteFileList, pos, ui->miRemote); });
}

void FerryMenu::showPopup(QTreeWidget* list, const QPoint& pos, QMenu* menu) {
    menu->popup(list->viewport()->mapToGlobal(pos));
}

void FerryMenu::StatusBarInfo(const QString& sMessage) {
    m_paced.dropStatus();
    showStatus(sMessage);
}

void FerryMenu::showTransferStatus(const QString& sMessage) {
    m_paced.setStatus(sMessage);
}

void FerryMenu::showStatus(const QString& sMessage) {
    QLabel* label = ui->lblStatus;
    label->setText(sMessage);
    QWidget* holder = label->parentWidget();
    holder->setMinimumHeight(qMax(holder->minimumHeight(), label->heightForWidth(holder->width())));
    // Screen readers read the name and hear of its change.
    label->setAccessibleName(sMessage);
    QAccessibleEvent changed(label, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
    emit statusChanged(sMessage);
}

void FerryMenu::DisplayMessage(const QString& line) {
    m_paced.addLine(line, m_busy.busy());
}

void FerryMenu::appendMessages(const QStringList& lines) {
    QListWidget* list = ui->lstConnectionInfo;
    // A server that talks without end must not fill the memory: the oldest lines go, and the
    // first line says so.
    const bool dropped = list->count() > 0 && list->item(0)->text() == kMessagesDropped;
    const int kept = list->count() - (dropped ? 1 : 0);
    const qsizetype total = kept + lines.size();
    if (total <= kMaxMessages - (dropped ? 1 : 0)) {
        list->addItems(lines);
    } else {
        const qsizetype room = kMaxMessages - 1;  // below the note
        const qsizetype fromNew = qMin(lines.size(), room);
        const qsizetype fromOld = room - fromNew;
        if (!dropped)
            list->insertItem(0, kMessagesDropped);
        list->model()->removeRows(1, int(kept - fromOld));
        list->addItems(lines.mid(lines.size() - fromNew));
    }
    list->setCurrentRow(list->count() - 1);
    if (m_logWindow)
        m_logWindow->addLines(lines);
}

void FerryMenu::miShowLog_Click() {
    if (!m_logWindow) {
        m_logWindow = new LogWindow(kMaxMessages, this);
        QStringList lines;
        for (int i = 0; i < ui->lstConnectionInfo->count(); ++i)
            lines << ui->lstConnectionInfo->item(i)->text();
        m_logWindow->setLines(lines);
    }
    m_logWindow->show();
    m_logWindow->raise();
}

void FerryMenu::setProgress(int percent) {
    m_paced.setProgress(qBound(0, percent, 100));
}

int FerryMenu::Progress() const {
    return m_paced.progress();
}

QString FerryMenu::localPath() const {
    return m_local ? m_local->localPath() : QString();
}

void FerryMenu::RefreshLocalFileList() {
    if (m_local)
        m_local->RefreshLocalFileList();
}

void FerryMenu::showUserAddress(const QString& caption) {
    ui->lblUserAddr->setText(caption);
}

void FerryMenu::showTransferWindow() {
    // Small screens and large fonts: the window opens no larger than the screen leaves room for.
    if (const QScreen* screen = this->screen()) {
        const QSize room = screen->availableGeometry().size() - (frameSize() - size());
        resize(size().boundedTo(room).expandedTo(minimumSizeHint()));
    }
    show();
}

bool FerryMenu::mayCloseNow() {
    return !m_busy.transferring() ||
           Confirm(this, QStringLiteral("A transfer is running. Stop it and close?"));
}

void FerryMenu::cmdCancel_Click() {
    if (m_bUnloaded || !mayCloseNow())
        return;
    m_session->CloseConnection();
    unloadWindow();
}

void FerryMenu::closeEvent(QCloseEvent* event) {
    if (!m_bUnloaded) {
        if (!mayCloseNow()) {
            event->ignore();
            return;
        }
        Form_Unload();
    }
    event->accept();
}

void FerryMenu::unloadWindow() {
    if (m_bUnloaded)
        return;
    Form_Unload();
}

void FerryMenu::Form_Unload() {
    m_bUnloaded = true;
    if (m_session)
        m_session->CloseConnection();
    hide();
    emit unloaded();
}
