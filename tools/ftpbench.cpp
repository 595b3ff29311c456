// ftpbench: the FTP component from the command line, for benchmarks and checks.
//
//   ftpbench --host H --port P --user U --password W --send LOCALDIR --to REMOTEDIR
//   ftpbench ... --receive REMOTEDIR --into LOCALDIR
//   ftpbench ... --list REMOTEDIR
// Options: --active (active mode first), --ascii, --timeout SECONDS, --log FILE,
// --connections N (files moved over up to N connections at once), --skip-unchanged (files the
// server has in the same size and not older are not sent),
// --tls off|auto|require (auto: TLS where the server offers it), --tls-version 1.2 (no later TLS
// version), --ca FILE (PEM certificates trusted besides the system's; a certificate that does not
// verify fails the connection).

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QSslCertificate>
#include <QTextStream>
#include <cstdio>

#include "FtpComponent.h"

namespace {

QTextStream& out() {
    static QTextStream s(stdout);
    return s;
}

// The --tls value as TlsMode; -1 for a value that names none.
int tlsMode(const QString& value) {
    const QStringList modes{"off", "auto", "require"};
    return int(modes.indexOf(value));
}

// Files moved: those SendingFile announced, or those a receive wrote.
struct Tally {
    int files = 0;
    qint64 bytes = 0;
    int unchanged = 0;
};

void countReceived(Tally& t, const QString& folder, const QDateTime& since) {
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo f = it.nextFileInfo();
        if (f.lastModified() >= since) {
            ++t.files;
            t.bytes += f.size();
        }
    }
}

// `loginMs` of `ms` went to the log-in.
void report(const Tally& t, qint64 ms, qint64 loginMs) {
    const double seconds = ms / 1000.0;
    const double mbps = seconds > 0 ? t.bytes / (1024.0 * 1024.0) / seconds : 0.0;
    out() << "files " << t.files << "\tunchanged " << t.unchanged << "\tbytes " << t.bytes
          << "\tseconds " << QString::number(seconds, 'f', 3) << "\tMB/s "
          << QString::number(mbps, 'f', 2) << "\tlogin " << QString::number(loginMs / 1000.0, 'f', 3)
          << Qt::endl;
}

int run(const QCommandLineParser& args) {
    ftp::FtpComponent ftp;
    ftp.setServerAddress(args.value("host"));
    ftp.setServerPort(args.isSet("port") ? args.value("port").toUShort() : 21);
    ftp.setUserName(args.value("user"));
    ftp.setPassword(args.value("password"));
    ftp.setPassiveMode(!args.isSet("active"));
    ftp.setTransferMode(args.isSet("ascii") ? 1 : 0);
    if (args.isSet("timeout"))
        ftp.setTimeout(args.value("timeout").toInt());
    ftp.setCommandLogFilename(args.value("log"));
    ftp.setTlsMode(tlsMode(args.value("tls")));
    if (args.value("tls-version") == "1.2")
        ftp.setTlsProtocol(QSsl::TlsV1_2);
    if (args.isSet("ca")) {
        const QList<QSslCertificate> ca = QSslCertificate::fromPath(args.value("ca"), QSsl::Pem);
        if (ca.isEmpty())
            throw ftp::FtpError(ftp::kErrBadArgument,
                                "No PEM certificate in " + args.value("ca") + ".");
        ftp.setExtraCaCertificates(ca);
    }

    if (args.isSet("connections"))
        ftp.setConnections(args.value("connections").toInt());
    ftp.setSkipUnchanged(args.isSet("skip-unchanged"));

    Tally tally;
    QObject::connect(&ftp, &ftp::FtpClient::SendingFile,
                     [&](const QString&, const QString&, qint64 size) {
                         ++tally.files;
                         tally.bytes += size;
                     });
    QObject::connect(&ftp, &ftp::FtpClient::SkippingFile,
                     [&](const QString& first, const QString& second, qint32 reason) {
                         if (reason == ftp::kSkipUnchanged) {
                             ++tally.unchanged;
                             return;
                         }
                         QTextStream(stderr) << "skipped\t" << reason << '\t' << first << '\t'
                                             << second << Qt::endl;
                     });
    QObject::connect(&ftp, &ftp::FtpClient::Reconnecting,
                     [](int attempt, int attempts, const QString& cause) {
                         QTextStream(stderr) << "reconnecting\t" << attempt << '/' << attempts
                                             << '\t' << cause << Qt::endl;
                     });
    QObject::connect(
        &ftp, &ftp::FtpClient::ListingItem,
        [](const QString& name, const QDateTime& date, qint64 size, int kind, const QString& text) {
            out() << kind << '\t' << size << '\t' << date.toString(Qt::ISODate) << '\t' << name
                  << '\t' << text << Qt::endl;
        });

    // The log-in counts: a publish starts with it.
    QElapsedTimer clock;
    clock.start();
    const QDateTime since = QDateTime::currentDateTime();
    ftp.Connect();
    const qint64 loginMs = clock.elapsed();
    if (args.isSet("send")) {
        ftp.SendFiles(QDir(args.value("send")).filePath("*"), args.value("to"), true, true);
        report(tally, clock.elapsed(), loginMs);
    } else if (args.isSet("receive")) {
        ftp.ReceiveFiles(args.value("receive") + "/*", args.value("into"), true);
        const qint64 ms = clock.elapsed();
        countReceived(tally, args.value("into"), since);
        report(tally, ms, loginMs);
    } else if (args.isSet("list")) {
        ftp.setListingOption(1);
        ftp.ListFolder(args.value("list") + "/*");
    }
    ftp.Disconnect();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser args;
    args.addHelpOption();
    for (const char* name : {"host", "port", "user", "password", "send", "to", "receive", "into",
                             "list", "timeout", "log", "ca", "connections", "tls-version"})
        args.addOption(QCommandLineOption(QString::fromLatin1(name), name, "value"));
    args.addOption(QCommandLineOption("active", "Active mode first."));
    args.addOption(QCommandLineOption("ascii", "ASCII transfers."));
    args.addOption(QCommandLineOption("skip-unchanged", "Do not send files the server has."));
    args.addOption(QCommandLineOption("tls", "TLS: off, auto or require.", "mode", "auto"));
    args.process(app);
    const bool send = args.isSet("send") && args.isSet("to");
    const bool receive = args.isSet("receive") && args.isSet("into");
    if (!args.isSet("host") || (!send && !receive && !args.isSet("list")) ||
        tlsMode(args.value("tls")) < 0) {
        std::fputs(qPrintable(args.helpText()), stderr);
        return 2;
    }
    try {
        return run(args);
    } catch (const ftp::FtpError& e) {
        QTextStream(stderr) << "error " << e.number << ": " << e.description << Qt::endl;
        return 1;
    }
}
