#pragma once

#include <QObject>
#include <QPointer>

#include "EntryReceiver.h"

class QTreeWidget;
class Questions;
class TransferWindow;
namespace ftp {
class FtpClient;
}

// Receiving the selected remote entries into the current local folder.
class Download : public QObject {
    Q_OBJECT
public:
    Download(QTreeWidget* lstRemoteFileList, ftp::FtpClient& xFtp, TransferWindow& window,
             Questions& questions, QObject* parent = nullptr);

    void ReceiveSelectedItems();

public slots:
    void cmdReceive_Click();

private:
    QPointer<QTreeWidget> m_lstRemoteFileList;
    TransferWindow& m_window;
    EntryReceiver m_receiver;
};
