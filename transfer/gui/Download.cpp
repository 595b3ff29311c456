#include "Download.h"

#include <QTreeWidget>

#include "BusyState.h"
#include "ListRows.h"
#include "TransferWindow.h"
#include "WaitPointer.h"

Download::Download(QTreeWidget* lstRemoteFileList, ftp::FtpClient& xFtp, TransferWindow& window,
                   Questions& questions, QObject* parent)
    : QObject(parent),
      m_lstRemoteFileList(lstRemoteFileList),
      m_window(window),
      m_receiver(xFtp, window, questions) {}

void Download::cmdReceive_Click() {
    m_window.busy().runIfIdle([this] { ReceiveSelectedItems(); });
}

void Download::ReceiveSelectedItems() {
    const BusyState::Hold busy = m_window.busy().hold(true);
    {
        WaitPointer wait(m_window.dialogParent());
        QList<EntryReceiver::Entry> entries;
        for (int i = 0; m_lstRemoteFileList && i < m_lstRemoteFileList->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* row = m_lstRemoteFileList->topLevelItem(i);
            if (row->isSelected())
                entries.append({row->text(0), rowKindOf(row) == kFolderRow});
        }
        // The local folder may be changed while the transfers pump events.
        m_receiver.Receive(entries, m_window.localPath());
    }
    m_window.RefreshLocalFileList();
}
