#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <memory>

#include "FtpComponent.h"
#include "FtpServers.h"

// A real server of the kind named ("pyftpdlib" or "vsftpd") serving a fresh temporary root.
// Files for the server go under root() before start(); start() hands them to the server.
class ServerFixture {
public:
    explicit ServerFixture(const QString& kind);
    bool start();
    QString error() const;
    QString root() const { return m_root.path(); }
    QString path(const QString& relative) const { return m_root.filePath(relative); }
    // Points `ftp` at the server (passive mode, a short timeout for tests).
    void configure(ftp::FtpComponent& ftp) const;
    TestFtpServer& server() { return *m_server; }

private:
    QTemporaryDir m_root;
    std::unique_ptr<TestFtpServer> m_server;
};

// File helpers for test trees.
void writeFile(const QString& path, const QByteArray& content);
QByteArray readFile(const QString& path);
QByteArray pattern(qint64 size, char seed);  // deterministic content of `size` bytes
