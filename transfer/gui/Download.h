#pragma once

#include <QObject>
#include <QPointer>

class QTreeWidget;
class TransferWindow;
namespace ftp {
class FtpClient;
}

// Receiving the selected remote entries into the current local folder.
class Download : public QObject {
    Q_OBJECT
public:
    Download(QTreeWidget* lstRemoteFileList, ftp::FtpClient& xFtp, TransferWindow& window,
             QObject* parent = nullptr);

    void ReceiveSelectedItems();

public slots:
    void cmdReceive_Click();

private:
    QPointer<QTreeWidget> m_lstRemoteFileList;
    ftp::FtpClient& m_xFtp;
    TransferWindow& m_window;
};
