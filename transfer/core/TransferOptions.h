#pragma once

namespace ftp {
class FtpClient;
}

// Sets the component up for an upload or download: the connections the settings allow, and
// files the server already has are not sent again.
void applyTransferOptions(ftp::FtpClient& xFtp);
