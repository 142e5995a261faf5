#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ftp/FtpTypes.h"
#include "platform/DateTime.h"
#include "platform/Locale.h"

namespace velm {

class TFtpClient;
class UpdateRunView;

// The last computed transfer rate in KB/s, one for the whole process.
extern double TaxaTransferencia;

// Locale formats of the display: "##,###,##0" and "0.00 KB/s".
std::string formatGrouped(long long value, const LocaleFormats& formats);
std::string formatRate(double kilobytesPerSecond, const LocaleFormats& formats);

// The texts of one work event.
struct WorkDisplay {
    std::string counter;       // lblcontador
    std::string status;        // lblstatus
    std::optional<int> gauge;  // Gauge1, 0..100; none while the size is unknown (0)
    double rate = 0;           // the new TaxaTransferencia
};

// One work event: `count` bytes moved since `start`, now `now`, of an
// expected `bytesToTransfer`; `previousRate` stays when no time has passed.
WorkDisplay workDisplay(std::uint32_t bytesToTransfer, std::int64_t count, DateTime start,
                        DateTime now, double previousRate, const LocaleFormats& formats);

// The status panel's text for a client status.
std::string statusPanelText(TFtpStatus status, const std::string& statusText);

// The update window's four handlers of the FTP client's events: they show
// the connection state, the kilobytes, rate, elapsed time and gauge of each
// transfer, and pump the window's messages from inside the transfer.
class TransferProgress {
public:
    explicit TransferProgress(UpdateRunView& view) : view_(view) {}

    // Binds the client's OnStatus, OnWorkBegin, OnWork and OnWorkEnd here.
    void bind(TFtpClient& client);

    DateTime STime{};                   // start of the current transfer
    std::uint32_t BytesToTransfer = 0;  // expected size of the file being fetched
    // Bytes of the current (or last) transfer so far, for the run log; the
    // run sets it to 0 before a download that may fail before its data.
    std::int64_t BytesReceived = 0;

    void ftpupdateStatus(TFtpStatus AStatus, const std::string& AStatusText);
    void ftpupdateWorkBegin(TWorkMode AWorkMode);
    // Raises UpdateRunCancelled when the operator asked to leave meanwhile.
    void ftpupdateWork(TWorkMode AWorkMode, std::int64_t AWorkCount);
    void ftpupdateWorkEnd(TWorkMode AWorkMode);

private:
    UpdateRunView& view_;
    std::int64_t lastWorkCount_ = 0;  // of the current transfer
    LocaleFormats formats_;  // the user's, as the current transfer began
};

}  // namespace velm
