#include "Login.h"

#include "FtpClient.h"
#include "Session.h"
#include "TlsPolicy.h"

namespace ftp {

namespace {

FtpError refused(const Reply& r) {
    const QString text = r.text();
    return FtpError(
        kErrLoginFailed,
        text.isEmpty() ? QStringLiteral("The server refused the login (%1).").arg(r.code) : text);
}

void readFeatures(Session& s) {
    const Reply r = s.command(QStringLiteral("FEAT"));
    if (r.code != 211)
        return;
    // RFC 2389: feature lines sit between the first and the last line, each led by a space.
    for (qsizetype i = 1; i + 1 < r.lines.size(); ++i) {
        const QString feature = r.lines.at(i).trimmed().section(' ', 0, 0).toUpper();
        if (!feature.isEmpty())
            s.conn().features.insert(feature);
    }
}

// AUTH TLS and the handshake; false when the session goes on in clear (TlsMode auto and a
// server without TLS).
bool startTls(Session& s) {
    const int mode = s.settings().tlsMode;
    if (mode == kTlsOff)
        return false;
    Connection& c = s.conn();
    const Reply r = s.command(QStringLiteral("AUTH TLS"));
    if (r.code != 234) {
        if (mode == kTlsRequire)
            throw FtpError(kErrTlsRequired,
                           QStringLiteral("The server does not offer TLS, which is required; "
                                          "nothing else was sent.\n") +
                               r.text());
        if (declinesTls(r))
            return false;
        throw serverError(r);
    }
    c.startTls(tlsConfiguration(s.settings()), s.settings().host);
    s.ctx().wait([&] { return c.encrypted() || !c.untrusted().isEmpty(); });
    if (c.encrypted())
        return true;
    const CertificateReport report = describeCertificate(c.peerCertificate(), c.untrusted());
    if (!s.notify().certificateUntrusted(c.verifyName(), report))
        throw FtpError(kErrCertificate,
                       QStringLiteral("The server's certificate is not trusted (SHA-256 %1):\n%2")
                           .arg(report.fingerprintSha256, report.reasons.join('\n')));
    s.conn().trustCertificate();
    s.ctx().wait([&] { return c.encrypted(); });
    return true;
}

}  // namespace

void logIn(Session& s) {
    Connection& c = s.conn();
    // Credentials go out as UTF-8: what servers expect today; ASCII names are the same anyway.
    c.utf8 = true;
    const Reply greeting = s.await(c.expectGreeting());
    if (greeting.code != 220)
        throw FtpError(kErrConnectFailed, greeting.text());
    const bool tls = startTls(s);

    Reply r = s.command(QStringLiteral("USER ") + s.settings().user);
    // Each step answers the previous reply; a server cannot keep us asking forever.
    for (int step = 0; step < 4; ++step) {
        if (r.code == 230 || r.code == 202)
            break;
        if (r.code == 331) {
            QString password = s.settings().password;
            if (password.isEmpty())
                password = s.notify().password();
            r = s.command(QStringLiteral("PASS ") + password);
        } else if (r.code == 332) {
            r = s.command(QStringLiteral("ACCT ") + s.notify().account());
        } else {
            throw refused(r);
        }
    }
    if (r.code != 230 && r.code != 202)
        throw refused(r);
    if (tls) {
        // RFC 4217: no buffer size to agree on with TLS; then data connections are private.
        s.require(QStringLiteral("PBSZ 0"));
        s.require(QStringLiteral("PROT P"));
        c.protectData = true;
    }

    readFeatures(s);
    c.utf8 = false;
    if ((s.settings().connectOption & kOptUtf8) && c.features.contains("UTF8")) {
        s.command(QStringLiteral("OPTS UTF8 ON"));
        c.utf8 = true;
    }
    try {
        s.printWorkingFolder();
    } catch (const FtpError&) {
        // The connection is usable; CurrentFolder asks again and reports the failure.
        if (!s.usable())
            throw;
    }
}

}  // namespace ftp
