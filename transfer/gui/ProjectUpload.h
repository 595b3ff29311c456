#pragma once

#include <QObject>
#include <QPointer>

#include "ProjectSender.h"

class QTreeWidget;
class RemoteSide;
class TransferWindow;
struct ConnectionRecord;
namespace ftp {
class FtpClient;
}

// Publishing the selected local projects, each into a remote folder named after it, and opening
// published projects in the browser.
class ProjectUpload : public QObject {
    Q_OBJECT
public:
    ProjectUpload(QTreeWidget* lstLocalFileList, QTreeWidget* lstRemoteFileList,
                  ftp::FtpClient& xFtp, RemoteSide& remote, TransferWindow& window,
                  const ConnectionRecord& record, QObject* parent = nullptr);

    void UploadSelectedProjects();

public slots:
    void cmdSend_Click();
    void cmdView_Click();
    void lstLocalFileList_DblClick();

private:
    QPointer<QTreeWidget> m_lstLocalFileList;
    QPointer<QTreeWidget> m_lstRemoteFileList;
    ftp::FtpClient& m_xFtp;
    RemoteSide& m_remote;
    TransferWindow& m_window;
    const ConnectionRecord& m_record;
    ProjectSender m_sender;
};
