#pragma once

#include <QString>
#include <exception>

namespace ftp {

// Error numbers raised by the FTP component. A command the server refuses fails with the
// reply's own three-digit code as number (for example 550) and the reply's text as
// description; the values below are the component's own.
enum ErrorNumber : qint32 {
    kErrAborted = qint32(0x8004201E),       // the operation was stopped by AbortRequested
    kErrBusy = qint32(0x80042001),          // an operation started while another one runs
    kErrNotConnected = qint32(0x80042002),  // operation needs a connection
    kErrAlreadyConnected = qint32(0x80042003),
    kErrHostNotFound = qint32(0x80042004),   // the server name did not resolve
    kErrConnectFailed = qint32(0x80042005),  // refused, unreachable, TLS or socket error
    kErrTimeout = qint32(0x80042006),        // the server stayed silent past Timeout
    // The server or network closed the connection, or the component was destroyed while the
    // operation waited.
    kErrConnectionLost = qint32(0x80042007),
    // A reply that makes no sense at this point, or one or a listing beyond all measure.
    kErrProtocol = qint32(0x80042008),
    // The data connection could not be opened, broke off, or brought a file cut short.
    kErrDataConnection = qint32(0x80042009),
    kErrLocalFile = qint32(0x8004200A),  // a local file or folder could not be read or written
    // An empty or unusable name or path; also one with a line break or NUL, which would split
    // the command line (nothing is sent then).
    kErrBadArgument = qint32(0x8004200B),
    kErrLoginFailed = qint32(0x8004200C),  // USER/PASS/ACCT refused; the description is the reply
    // TlsMode is kTlsRequire and the server does not accept AUTH TLS: nothing else was sent.
    kErrTlsRequired = qint32(0x8004200D),
    // The server's certificate does not verify and CertificateUntrusted did not trust it, or a
    // data connection presented another certificate than the control connection.
    kErrCertificate = qint32(0x8004200E),
};

// The one error type of the component's operations.
class FtpError : public std::exception {
public:
    FtpError(qint32 number, QString description)
        : number(number), description(std::move(description)) {}
    const char* what() const noexcept override { return "FtpError"; }

    qint32 number;
    QString description;
};

}  // namespace ftp
