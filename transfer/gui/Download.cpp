#include "Download.h"

#include <QTreeWidget>

#include "BusyState.h"
#include "Dialogs.h"
#include "FtpClient.h"
#include "ListRows.h"
#include "TransferOptions.h"
#include "TransferTexts.h"
#include "TransferWindow.h"
#include "WaitPointer.h"

Download::Download(QTreeWidget* lstRemoteFileList, ftp::FtpClient& xFtp, TransferWindow& window,
                   QObject* parent)
    : QObject(parent), m_lstRemoteFileList(lstRemoteFileList), m_xFtp(xFtp), m_window(window) {}

void Download::cmdReceive_Click() {
    if (m_window.Busy().busy())
        return;
    ReceiveSelectedItems();
}

void Download::ReceiveSelectedItems() {
    const BusyState::Hold busy = m_window.Busy().hold(true);
    {
        WaitPointer wait(m_window.DialogParent());
        ApplyTransferOptions(m_xFtp);
        struct Row {
            QString text;
            bool folder;
        };
        QList<Row> rows;
        for (int i = 0; m_lstRemoteFileList && i < m_lstRemoteFileList->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* row = m_lstRemoteFileList->topLevelItem(i);
            if (row->isSelected())
                rows.append({row->text(0), RowKindOf(row) == kFolderRow});
        }
        // The local folder may be changed while the transfers pump events.
        const QString localFolder = m_window.LocalPath();
        try {
            for (const Row& row : rows) {
                if (row.folder) {
                    const bool subfolders = Confirm(
                        m_window.DialogParent(),
                        QStringLiteral("Do you want to receive any subfolders that are contained "
                                       "in the '") +
                            row.text + QStringLiteral("' folder?"));
                    m_xFtp.ReceiveFiles(row.text + QStringLiteral("\\*"), localFolder, subfolders);
                } else {
                    m_xFtp.ReceiveFile(row.text, 0, localFolder + row.text);
                }
            }
            m_window.StatusBarInfo(QStringLiteral("File download(s) complete."));
        } catch (const ftp::FtpError& e) {
            if (e.number == ftp::kErrAborted) {
                m_window.DisplayMessage(QStringLiteral("Download successfully aborted."));
                m_window.StatusBarInfo(QStringLiteral("Download aborted."));
            } else {
                m_window.DisplayMessage(
                    QStringLiteral("Error while downloading file(s). Description: ") +
                    e.description);
                m_window.StatusBarInfo(WithCause(QStringLiteral("Error downloading file(s)."), e));
            }
        }
        m_window.SetProgress(0);
    }
    m_window.RefreshLocalFileList();
}
