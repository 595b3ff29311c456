#include "TransferOptions.h"

#include "FtpClient.h"
#include "TransferProfile.h"

void ApplyTransferOptions(ftp::FtpClient& xFtp) {
    xFtp.setConnections(ConnectionsSetting());
    xFtp.setSkipUnchanged(true);
}
