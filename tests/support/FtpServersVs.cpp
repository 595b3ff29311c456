#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

#include "FtpServers.h"

namespace {

bool run(const QString& program, const QStringList& arguments, const QByteArray& input,
         QString* error) {
    QProcess p;
    p.start(program, arguments);
    p.write(input);  // kept until the program runs
    p.closeWriteChannel();
    if (p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
        return true;
    *error = program + " " + arguments.join(' ') + " failed: " + p.errorString() + "\n" +
             QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
    return false;
}

}  // namespace

bool makeSelfSignedCertificate(const QString& folder, QString* error) {
    const QDir dir(folder);
    return run("openssl",
               {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                "/CN=localhost", "-addext", "subjectAltName=DNS:localhost,IP:127.0.0.1", "-keyout",
                dir.filePath("key.pem"), "-out", dir.filePath("cert.pem")},
               {}, error);
}

bool VsFtpServer::prepare() {
    if (m_user.isEmpty() || m_user == "root")
        return fail("vsftpd needs a dedicated account, not \"" + m_user + "\"");
    QString why;
    if (!run("id", {"-u", m_user}, {}, &why) &&
        !run("useradd", {"-M", "-s", "/bin/sh", "-d", "/", m_user}, {}, &why) &&
        !run("id", {"-u", m_user}, {}, &why))  // created meanwhile by a parallel test
        return fail(why);
    if (!run("chown", {"-R", m_user + ":", m_root}, {}, &why))
        return fail(why);
    m_dir = std::make_unique<QTemporaryDir>();
    const QString empty = m_dir->filePath("empty");
    QDir().mkpath(empty);
    QFile::setPermissions(empty, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                     QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    // Tests running side by side may hold the password files' lock for a moment.
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (run("chpasswd", {}, (m_user + ":" + m_password + "\n").toUtf8(), &why))
            return true;
        QThread::msleep(200);
    }
    return fail(why);
}

QStringList VsFtpServer::command() {
    const int pasvMin = 20000 + QRandomGenerator::global()->bounded(30000);
    const QString conf = m_dir->filePath("vsftpd.conf");
    QFile f(conf);  // when it cannot be written, vsftpd says so
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    QString text = QStringLiteral(
                       "listen=YES\n"
                       "listen_address=127.0.0.1\n"
                       "listen_port=%1\n"
                       "anonymous_enable=NO\n"
                       "local_enable=YES\n"
                       "write_enable=YES\n"
                       "local_umask=022\n"
                       "chroot_local_user=YES\n"
                       "allow_writeable_chroot=YES\n"
                       "local_root=%2\n"
                       "seccomp_sandbox=NO\n"
                       "secure_chroot_dir=%3\n"
                       "pasv_enable=%6\n"
                       "pasv_min_port=%4\n"
                       "pasv_max_port=%5\n"
                       "utf8_filesystem=YES\n"
                       "delay_failed_login=0\n")
                       .arg(m_port)
                       .arg(m_root, m_dir->filePath("empty"))
                       .arg(pasvMin)
                       .arg(pasvMin + 99)
                       .arg(passive ? "YES" : "NO");
    if (maxPerIp > 0)
        text += QStringLiteral("max_per_ip=%1\n").arg(maxPerIp);
    // OpenSSL 3 refuses vsftpd's default cipher (DES-CBC3-SHA).
    if (!tlsCertificate.isEmpty())
        text += QStringLiteral(
                    "ssl_enable=YES\n"
                    "rsa_cert_file=%1\n"
                    "rsa_private_key_file=%2\n"
                    "force_local_logins_ssl=YES\n"
                    "force_local_data_ssl=YES\n"
                    "require_ssl_reuse=YES\n"
                    "ssl_ciphers=HIGH\n")
                    .arg(tlsCertificate, tlsKey);
    f.write(text.toUtf8());
    return {"/usr/sbin/vsftpd", conf};
}
