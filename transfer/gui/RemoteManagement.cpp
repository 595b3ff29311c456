#include "RemoteManagement.h"

#include <QTreeWidget>

#include "BusyState.h"
#include "ListRows.h"
#include "RemoteSide.h"
#include "TransferWindow.h"

RemoteManagement::RemoteManagement(QTreeWidget* lstRemoteFileList, ftp::FtpClient& xFtp,
                                   RemoteSide& remote, TransferWindow& window, Questions& questions,
                                   QObject* parent)
    : QObject(parent),
      m_lstRemoteFileList(lstRemoteFileList),
      m_remote(remote),
      m_window(window),
      m_changes(xFtp, window, questions, *this) {}

QList<RemoteView::Row> RemoteManagement::selectedRemoteRows() const {
    QList<Row> rows;
    for (int i = 0; m_lstRemoteFileList && i < m_lstRemoteFileList->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = m_lstRemoteFileList->topLevelItem(i);
        if (row->isSelected())
            rows.append({row->text(0), rowKindOf(row)});
    }
    return rows;
}

std::optional<QString> RemoteManagement::chosenRemoteRow() const {
    const QTreeWidgetItem* row = m_lstRemoteFileList ? m_lstRemoteFileList->currentItem() : nullptr;
    if (!row || !row->isSelected()) {
        const QList<QTreeWidgetItem*> selected =
            m_lstRemoteFileList ? m_lstRemoteFileList->selectedItems() : QList<QTreeWidgetItem*>();
        row = selected.isEmpty() ? nullptr : selected.first();
    }
    if (!row)
        return std::nullopt;
    return row->text(0);
}

void RemoteManagement::RefreshRemoteFileList() {
    m_remote.RefreshRemoteFileList();
}

void RemoteManagement::runIfIdle(void (RemoteManagement::*procedure)()) {
    m_window.busy().runIfIdle([this, procedure] { (this->*procedure)(); });
}

void RemoteManagement::cmdDelete_Click() {
    m_window.busy().runIfIdle([this] {
        DeleteSelectedProjects();
        m_window.EnableLocalCommands();
    });
}
