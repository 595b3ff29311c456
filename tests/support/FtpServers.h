#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <memory>

// One real FTP server on a loopback port serving `root` to one account. Tests run as root.
class TestFtpServer {
public:
    virtual ~TestFtpServer();  // stops the server

    // Starts serving `root` for the account; false with error() when the server did not come up.
    virtual bool start(const QString& root, const QString& user, const QString& password) = 0;
    void stop() { terminate(); }

    quint16 port() const { return m_port; }  // valid after start() returned true
    QString user() const { return m_user; }
    QString password() const { return m_password; }
    QString root() const { return m_root; }
    QString error() const { return m_error; }

protected:
    // Starts the program in a session of its own, so stopping it also ends the per-connection
    // children that vsftpd forks.
    bool launch(const QString& program, const QStringList& arguments);
    void terminate();
    bool fail(const QString& why);
    bool running() const;

    std::unique_ptr<QProcess> m_process;
    quint16 m_port = 0;
    QString m_user, m_password, m_root, m_error;
};

// pyftpdlib run by /usr/bin/python3 tests/support/pyftpd.py, serving MLSD listings.
class PyFtpServer : public TestFtpServer {
public:
    bool start(const QString& root, const QString& user, const QString& password) override;
    // Before start(): the server drops the client once, while data flows for the nth STOR, RETR
    // or listing ("LIST") it serves.
    void cutOnce(const QString& verb, int nth) {
        m_cut = QStringLiteral("%1:%2").arg(verb).arg(nth);
    }

private:
    QString m_cut;
};

// vsftpd with a configuration of its own, authenticating a dedicated system account (created
// with useradd when missing, its password set with chpasswd on each start; never use "root").
// The account works in `root` (chroot), which start() hands over to it recursively: files a test
// adds under `root` later are readable to it, but folders it should write into must be created
// before start().
class VsFtpServer : public TestFtpServer {
public:
    bool start(const QString& root, const QString& user, const QString& password) override;

    bool passive = true;  // false: EPSV and PASV are refused (pasv_enable=NO)
    int maxPerIp = 0;     // more: the control connections taken from one address (421 beyond)
    // PEM files of a certificate and its key: explicit TLS is then required for the login and
    // every data connection, and data connections must resume the control connection's TLS
    // session (vsftpd's require_ssl_reuse). Empty: no TLS.
    QString tlsCertificate, tlsKey;

private:
    bool ensureAccount();
    bool waitForBanner();
    std::unique_ptr<QTemporaryDir> m_dir;  // configuration, log, empty secure chroot
};

// Writes a self-signed certificate for "localhost" and 127.0.0.1 and its key into `folder`
// (cert.pem, key.pem) with openssl; false with `error` when that failed.
bool makeSelfSignedCertificate(const QString& folder, QString* error);

// A free TCP port on 127.0.0.1 at the time of the call.
quint16 freeLoopbackPort();
