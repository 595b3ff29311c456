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
    return MakeSelectionFacts(item != nullptr, RowKindOf(item), CountSelectedItems(list));
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

}  // namespace

void FerryMenu::EnableConnectedCommands(bool bConnected) {
    for (QWidget* w :
         {static_cast<QWidget*>(ui->cmdDisconnect), static_cast<QWidget*>(ui->cmdUpFtp),
          static_cast<QWidget*>(ui->cmdCreateRemoteFolder), static_cast<QWidget*>(ui->optAscii),
          static_cast<QWidget*>(ui->optBinary), static_cast<QWidget*>(ui->cmdSend),
          static_cast<QWidget*>(ui->cboRemotePath)})
        w->setEnabled(bConnected);
    for (QAction* a : {ui->miCreateRemoteFolder, ui->miSend, ui->miDisconnect,
                       ui->miTransfer->menuAction(), ui->miRemote->menuAction()})
        a->setEnabled(bConnected);
    ui->cmdConnect->setEnabled(!bConnected);
    ui->miConnect->setEnabled(!bConnected);
}

void FerryMenu::EnableAbortCommands(bool bBusy) {
    SetBoth(ui->cmdAbort, ui->miAbort, bBusy);
}

void FerryMenu::EnableRemoteCommands() {
    const RemoteCommands c = EvaluateRemoteCommands(FactsOf(ui->lstRemoteFileList));
    SetBoth(ui->cmdDeleteRemoteFile, ui->miDeleteRemoteFile, c.deleteFile);
    SetBoth(ui->cmdRenameRemoteFile, ui->miRenameRemoteFile, c.renameFile);
    SetBoth(ui->cmdDeleteRemoteFolder, ui->miRemoveRemoteFolder, c.removeFolder);
    ui->cmdDelete->setEnabled(c.deleteProject);
    ui->cmdView->setEnabled(c.view);
    SetBoth(ui->cmdReceive, ui->miReceive, c.receive);
}

void FerryMenu::EnableLocalCommands() {
    const LocalCommands c = EvaluateLocalCommands(FactsOf(ui->lstLocalFileList), xFtp.State(),
                                                  RowTexts(ui->lstRemoteFileList));
    SetBoth(ui->cmdDeleteLocalFile, ui->miDeleteLocalFile, c.deleteFile);
    SetBoth(ui->cmdRenameLocalFile, ui->miRenameLocalFile, c.renameFile);
    SetBoth(ui->cmdCreateLocalFolder, ui->miCreateLocalFolder, c.createFolder);
    SetBoth(ui->cmdRemoveLocalFolder, ui->miRemoveLocalFolder, c.removeFolder);
    SetBoth(ui->cmdSend, ui->miSend, c.send);
    ui->cmdSend->repaint();
}
