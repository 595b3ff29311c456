#pragma once

#include <QString>
#include <QStringList>

namespace ftp {
class FtpError;
}

// Texts of the transfer notifications, apart from the widgets that show them.

// "Uploading file '…' (12 of 345K)" while a send runs (states 17 and 20), "Processing file '…'"
// otherwise; whole kibibytes, truncated.
QString progressText(int ftpState, const QString& fileName, qint64 bytesDone, qint64 fileSize);

// The message-log lines for a skipped file: one per empty name, naming the other one.
QStringList skipLines(const QString& firstName, const QString& secondName, qint32 reasonCode);

// The message-log line for the files an operation did not send because the server had them.
QString unchangedSkippedLine(int count);

// The question asked before a file is replaced.
QString replaceQuestion(const QString& existingName);

// The remote folder a project is published in: its name without spaces, in lower case.
QString remoteProjectName(const QString& projectName);

// The address of a published project's start page; the folder name is percent-encoded, so "#"
// or "?" in it stay part of the path.
QString projectViewAddress(const QString& serverAddress, const QString& rowText);

// The progress bar value during a project deletion, kept within 0 to 100.
int deletionProgress(qint64 total, qint64 counter);

// The program's own text, then `line` on a line of its own when there is one.
QString withLine(const QString& text, const QString& line);
// A report of a failed operation: the program's own text, then the cause on a line of its own.
QString withCause(const QString& text, const ftp::FtpError& error);

// Why a connection failed, in words for the user: the password refused, the server unreachable
// (with `host`, `port` and the system's reason), an encrypted connection required, no answer in
// time; with the server's reply where there is one.
QString connectFailureCause(const ftp::FtpError& error, const QString& host, quint16 port);

// Shown while an operation reconnects after its connection went away.
QString reconnectingText(const QString& server, int attempt, int attempts, const QString& cause);
