#pragma once

namespace velm {

// Status values of the FTP client's OnStatus event; the progress display
// switches on their ordinal values, so the order is fixed.
enum TFtpStatus {
    hsResolving = 0,
    hsConnecting = 1,
    hsConnected = 2,
    hsDisconnecting = 3,
    hsDisconnected = 4,
    hsStatusText = 5,
    ftpTransfer = 6,
    ftpReady = 7,
    ftpAborted = 8,
};

// Direction of the bytes counted by the work events.
enum TWorkMode {
    wmRead = 0,
    wmWrite = 1,
};

// Representation type of data transfers.
enum TFtpTransferType {
    ftASCII = 0,
    ftBinary = 1,
};

// Kind of a listed entry.
enum TDirItemType {
    ditDirectory,
    ditFile,
    ditSymbolicLink,
    ditSymbolicLinkDir,
    ditBlockDev,
    ditCharDev,
    ditFIFO,
    ditSocket,
};

}  // namespace velm
