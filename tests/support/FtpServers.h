#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <memory>

// A real FTP server on a loopback port serving `root` to one account.
class TestFtpServer {
public:
    virtual ~TestFtpServer();  // stops the server

    // False with error() when the server did not come up.
    bool start(const QString& root, const QString& user, const QString& password);
    void stop();
    // Whether sessions are still open: vsftpd counts a closed one against its limits until its
    // process has ended.
    bool busy() const;

    quint16 port() const { return m_port; }  // valid after start() returned true
    QString user() const { return m_user; }
    QString password() const { return m_password; }
    QString error() const { return m_error; }

protected:
    virtual bool prepare() { return true; }  // once per start(), before the first command()
    // The program and its arguments serving m_root on m_port.
    virtual QStringList command() = 0;
    bool fail(const QString& why);

    std::unique_ptr<QProcess> m_process;
    quint16 m_port = 0;
    QString m_user, m_password, m_root, m_error;
};

// pyftpdlib run by /usr/bin/python3 tests/support/pyftpd.py, serving MLSD listings.
class PyFtpServer : public TestFtpServer {
public:
    // Before start(): drops the client once, as data flows for the nth STOR, RETR or "LIST".
    void cutOnce(const QString& verb, int nth) {
        m_cut = QStringLiteral("%1:%2").arg(verb).arg(nth);
    }

private:
    QStringList command() override;
    QString m_cut;
};

// vsftpd authenticating a dedicated system account (never "root"), created when missing, chrooted
// to `root`, which start() hands over to it: folders it should write into exist before start().
class VsFtpServer : public TestFtpServer {
public:
    bool passive = true;  // false: EPSV and PASV are refused (pasv_enable=NO)
    int maxPerIp = 0;     // more: the control connections taken from one address (421 beyond)
    // PEM files of a certificate and its key: TLS is then required, and data connections must
    // resume the control connection's TLS session. Empty: no TLS.
    QString tlsCertificate, tlsKey;

private:
    bool prepare() override;
    QStringList command() override;
    std::unique_ptr<QTemporaryDir> m_dir;  // configuration, log, empty secure chroot
};

// Writes cert.pem, self-signed for "localhost" and 127.0.0.1, and key.pem into `folder`.
bool makeSelfSignedCertificate(const QString& folder, QString* error);

// A free TCP port on 127.0.0.1 at the time of the call.
quint16 freeLoopbackPort();
