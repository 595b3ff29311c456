#include "Login.h"

#include "FtpClient.h"
#include "Session.h"

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

}  // namespace

void logIn(Session& s) {
    Connection& c = s.conn();
    // Credentials go out as UTF-8: what servers expect today; ASCII names are the same anyway.
    c.utf8 = true;
    const Reply greeting = s.await(c.expectGreeting());
    if (greeting.code != 220)
        throw FtpError(kErrConnectFailed, greeting.text());

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
