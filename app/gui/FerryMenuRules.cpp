// The command rules applied to the window's buttons and menu entries.
#include <QTreeWidget>

#include "CommandRules.h"
#include "FerryMenu.h"
#include "FtpClient.h"
#include "ListRows.h"
#include "ui_FerryMenu.h"

namespace {

// The row a list reports as its selected item: the current row when it is selected, otherwise
// the first selected row.
const QTreeWidgetItem* SelectedItem(const QTreeWidget* list) {
    const QTreeWidgetItem* current = list->currentItem();
    if (current && current->isSelected())
        return current;
    const QList<QTreeWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

int CountSelectedItems(const QTreeWidget* list) {
    int count = 0;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        if (list->topLevelItem(i)->isSelected())
            ++count;
    return count;
}

SelectionFacts FactsOf(const QTreeWidget* list) {
    const QTreeWidgetItem* item = SelectedItem(list);
    return makeSelectionFacts(item != nullptr, rowKindOf(item), CountSelectedItems(list));
}

QStringList RowTexts(const QTreeWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        texts << list->topLevelItem(i)->text(0);
    return texts;
}

void SetBoth(QWidget* button, QAction* action, bool enabled) {
    button->setEnabled(enabled);
    action->setEnabled(enabled);
}

bool SelectionHoldsSpecialFolder(const QTreeWidget* list) {
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        if (list->topLevelItem(i)->isSelected() &&
            isSpecialRemoteFolder(list->topLevelItem(i)->text(0)))
            return true;
    return false;
}

}  // namespace

// While an operation runs, nothing that would start another one is enabled, and Abort is.
void FerryMenu::applyCommandRules() {
    EnableConnectedCommands(m_bConnected);
    EnableAbortCommands(m_busy.busy());
    EnableRemoteCommands();
    EnableLocalCommands();
}

void FerryMenu::EnableConnectedCommands(bool bConnected) {
    m_bConnected = bConnected;
    const bool enabled = bConnected && !m_busy.busy();
    for (QWidget* w :
         {static_cast<QWidget*>(ui->cmdDisconnect), static_cast<QWidget*>(ui->cmdUpFtp),
          static_cast<QWidget*>(ui->cmdCreateRemoteFolder), static_cast<QWidget*>(ui->optAscii),
          static_cast<QWidget*>(ui->optBinary), static_cast<QWidget*>(ui->cmdSend),
          static_cast<QWidget*>(ui->cboRemotePath)})
        w->setEnabled(enabled);
    for (QAction* a : {ui->miCreateRemoteFolder, ui->miSend, ui->miDisconnect,
                       ui->miTransfer->menuAction(), ui->miRemote->menuAction()})
        a->setEnabled(enabled);
    ui->cmdConnect->setEnabled(!bConnected && !m_busy.busy());
    ui->miConnect->setEnabled(!bConnected && !m_busy.busy());
}

void FerryMenu::EnableAbortCommands(bool bBusy) {
    SetBoth(ui->cmdAbort, ui->miAbort, bBusy);
}

void FerryMenu::EnableRemoteCommands() {
    const QTreeWidget* list = ui->lstRemoteFileList;
    const RemoteCommands c =
        evaluateRemoteCommands(FactsOf(list), SelectionHoldsSpecialFolder(list), m_busy.busy());
    SetBoth(ui->cmdDeleteRemoteFile, ui->miDeleteRemoteFile, c.deleteFile);
    SetBoth(ui->cmdRenameRemoteFile, ui->miRenameRemoteFile, c.renameFile);
    SetBoth(ui->cmdDeleteRemoteFolder, ui->miRemoveRemoteFolder, c.removeFolder);
    ui->cmdDelete->setEnabled(c.deleteProject);
    ui->cmdView->setEnabled(c.view);
    SetBoth(ui->cmdReceive, ui->miReceive, c.receive);
}

void FerryMenu::EnableLocalCommands() {
    const LocalCommands c = evaluateLocalCommands(FactsOf(ui->lstLocalFileList), xFtp.State(),
                                                  RowTexts(ui->lstRemoteFileList), m_busy.busy());
    SetBoth(ui->cmdDeleteLocalFile, ui->miDeleteLocalFile, c.deleteFile);
    SetBoth(ui->cmdRenameLocalFile, ui->miRenameLocalFile, c.renameFile);
    SetBoth(ui->cmdCreateLocalFolder, ui->miCreateLocalFolder, c.createFolder);
    SetBoth(ui->cmdRemoveLocalFolder, ui->miRemoveLocalFolder, c.removeFolder);
    const bool sendWasEnabled = ui->cmdSend->isEnabled();
    SetBoth(ui->cmdSend, ui->miSend, c.send);
    // Drawn at once, even while an operation holds the event loop. A repaint draws whatever else
    // of the window waits to be drawn too, so it is made only when the button did change.
    if (ui->cmdSend->isEnabled() != sendWasEnabled)
        ui->cmdSend->repaint();
}
