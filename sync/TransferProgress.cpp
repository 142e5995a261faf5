#include "sync/TransferProgress.h"

#include <cmath>
#include <cstdio>

#include "ftp/FtpClient.h"
#include "platform/Clock.h"
#include "sync/UpdateRunView.h"

namespace velm {

double TaxaTransferencia = 0;

std::string formatGrouped(long long value, const LocaleFormats& formats) {
    const bool negative = value < 0;
    const std::string digits = std::to_string(negative ? -static_cast<unsigned long long>(value)
                                                       : static_cast<unsigned long long>(value));
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += formats.thousandSeparator;
        out += digits[i];
    }
    return negative ? "-" + out : out;
}

std::string formatRate(double kilobytesPerSecond, const LocaleFormats& formats) {
    // Halves round away from zero, as the display format does.
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", std::round(kilobytesPerSecond * 100) / 100);
    std::string out = text;
    for (char& c : out)
        if (c == '.') c = formats.decimalSeparator;
    return out + " KB/s";
}

WorkDisplay workDisplay(std::uint32_t bytesToTransfer, std::int64_t count, DateTime start,
                        DateTime now, double previousRate, const LocaleFormats& formats) {
    WorkDisplay shown;
    const long long expectedKb = bytesToTransfer >> 10;
    // Only the time of day of the elapsed time counts; whole days drop out,
    // and the whole seconds wrap at 65536 as a 16-bit count.
    const DateParts elapsed = decodeDateTime(DateTime{now.value - start.value});
    const auto wholeSeconds =
        static_cast<std::uint16_t>(elapsed.hour * 3600 + elapsed.minute * 60 + elapsed.second);
    const double seconds = elapsed.millisecond / 1000.0 + wholeSeconds;
    const long long transferredKb = count / 1024;

    shown.counter = "Transferidos: " + formatGrouped(transferredKb, formats) + " Kb de " +
                    formatGrouped(expectedKb, formats) + " Kb";
    if (bytesToTransfer != 0) {
        const double percent = 100.0 / bytesToTransfer * static_cast<double>(count);
        // Truncated, then held within the gauge's range.
        shown.gauge = percent >= 100 ? 100 : percent <= 0 ? 0 : static_cast<int>(percent);
    }
    std::string elapsedText;
    shown.rate = previousRate;
    if (seconds > 0) {
        shown.rate = static_cast<double>(count) / 1024 / seconds;
        char fields[32];
        std::snprintf(fields, sizeof fields, "%2d:%2d:%2d", wholeSeconds / 3600,
                      (wholeSeconds / 60) % 60, wholeSeconds % 60);
        elapsedText = std::string("Tempo de download ") + fields;
    }
    shown.status = "Taxa de Transferencia: " + formatRate(shown.rate, formats) + "; " + elapsedText;
    return shown;
}

std::string statusPanelText(TFtpStatus status, const std::string& statusText) {
    switch (status) {
        case hsResolving:
            return "Resolvendo..";
        case hsConnecting:
            return "Conectando..";
        case hsConnected:
            return "Conectado ao Servidor FTP! Aguarde..";
        case hsDisconnecting:
            return "Desconectando..";
        case hsDisconnected:
            return "Desconectado!";
        case hsStatusText:
            return statusText;
        case ftpTransfer:
            return "Transferindo..";
        case ftpReady:
            return "Lendo...";
        case ftpAborted:
            return "Abortado!";
    }
    return statusText;  // a status this display does not know
}

void TransferProgress::bind(TFtpClient& client) {
    client.OnStatus = [this](TFtpClient&, TFtpStatus status, const std::string& text) {
        ftpupdateStatus(status, text);
    };
    client.OnWorkBegin = [this](TFtpClient&, TWorkMode mode, std::int64_t) {
        ftpupdateWorkBegin(mode);
    };
    client.OnWork = [this](TFtpClient&, TWorkMode mode, std::int64_t count) {
        ftpupdateWork(mode, count);
    };
    client.OnWorkEnd = [this](TFtpClient&, TWorkMode mode) { ftpupdateWorkEnd(mode); };
}

void TransferProgress::ftpupdateStatus(TFtpStatus AStatus, const std::string& AStatusText) {
    view_.showStatusPanel(statusPanelText(AStatus, AStatusText));
    if (AStatus == hsDisconnected) view_.resetGauge();
    view_.repaintWindow();
}

void TransferProgress::ftpupdateWorkBegin(TWorkMode) {
    STime = clock().now();
    TaxaTransferencia = 0;
    BytesReceived = 0;
    lastWorkCount_ = 0;
    // Read once per transfer: asking the system costs more than a small file's transfer.
    formats_ = locale().formats();
}

void TransferProgress::ftpupdateWork(TWorkMode, std::int64_t AWorkCount) {
    BytesReceived = AWorkCount;
    const WorkDisplay shown =
        workDisplay(BytesToTransfer, AWorkCount, STime, clock().now(), TaxaTransferencia, formats_);
    TaxaTransferencia = shown.rate;
    view_.showCounter(shown.counter);
    view_.showStatus(shown.status);
    if (view_.pumpMessages()) throw UpdateRunCancelled{};
    if (shown.gauge) view_.setGauge(*shown.gauge);
    // Less than a full read before the end: the data that had come is all
    // taken, and the transfer now waits for more; the window, which paints
    // at its own pace, must show where the transfer stands meanwhile.
    const bool drained = AWorkCount - lastWorkCount_ < std::int64_t{TFtpClient::kReceiveBufferSize};
    lastWorkCount_ = AWorkCount;
    if (drained && (BytesToTransfer == 0 || AWorkCount < std::int64_t{BytesToTransfer}))
        view_.showBeforeWaiting();
}

void TransferProgress::ftpupdateWorkEnd(TWorkMode AWorkMode) {
    switch (AWorkMode) {
        case wmRead:
            view_.showStatus("Download!!");
            break;
        case wmWrite:
            view_.showStatus("Upload!!");
            break;
    }
    view_.showCounter("Transferidos: " + formatGrouped(BytesToTransfer >> 10, formats_) + " Kb");
}

}  // namespace velm
