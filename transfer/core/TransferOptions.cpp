#include "TransferOptions.h"

#include "FtpClient.h"
#include "TransferProfile.h"

void applyTransferOptions(ftp::FtpClient& xFtp) {
    xFtp.setConnections(connectionsSetting());
    xFtp.setSkipUnchanged(true);
}
