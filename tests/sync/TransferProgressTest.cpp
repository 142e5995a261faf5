#include <gtest/gtest.h>

#include "platform/Clock.h"
#include "support/RecordingRunView.h"
#include "sync/TransferProgress.h"

namespace velm {
namespace {

const LocaleFormats kBrazil{'.', ',', '/', ':'};

DateTime startPlus(double seconds) {
    const DateTime start = encodeDateTime({2026, 12, 10, 9, 0, 0, 0});
    return DateTime{start.value + seconds / 86400.0};
}

TEST(TransferProgressTest, WorkEventTexts) {
    struct Row {
        std::uint32_t expected;
        std::int64_t count;
        double seconds;
        double previousRate;
        std::string counter, status;
        int gauge;  // -1: left alone
        const char* reason;
    };
    const Row rows[] = {
        {2097152, 1048576, 2, 0, "Transferidos: 1.024 Kb de 2.048 Kb",
         "Taxa de Transferencia: 512,00 KB/s; Tempo de download  0: 0: 2", 50,
         "half of 2 MiB after 2 s"},
        {2097152, 1048576, 0, 0, "Transferidos: 1.024 Kb de 2.048 Kb",
         "Taxa de Transferencia: 0,00 KB/s; ", 50, "within the first millisecond"},
        {2097152, 1048576, 0, 7.5, "Transferidos: 1.024 Kb de 2.048 Kb",
         "Taxa de Transferencia: 7,50 KB/s; ", 50, "no time passed: the last rate stays"},
        {1000, 999, 65, 0, "Transferidos: 0 Kb de 0 Kb",
         "Taxa de Transferencia: 0,02 KB/s; Tempo de download  0: 1: 5", 99,
         "99.9 per cent truncates to 99; fields padded with blanks"},
        {1000, 5000, 1, 0, "Transferidos: 4 Kb de 0 Kb",
         "Taxa de Transferencia: 4,88 KB/s; Tempo de download  0: 0: 1", 100,
         "more than expected shows 100"},
        {0, 10240, 4, 0, "Transferidos: 10 Kb de 0 Kb",
         "Taxa de Transferencia: 2,50 KB/s; Tempo de download  0: 0: 4", -1,
         "no size: the gauge is left alone"},
        {4294967295u, 41943040, 10, 0, "Transferidos: 40.960 Kb de 4.194.303 Kb",
         "Taxa de Transferencia: 4096,00 KB/s; Tempo de download  0: 0:10", 0,
         "a refused size query reads as 4294967295"},
        {1024, 1024, 3600 * 25 + 3, 0, "Transferidos: 1 Kb de 1 Kb",
         "Taxa de Transferencia: 0,00 KB/s; Tempo de download  1: 0: 3", 100,
         "whole days drop out of the elapsed time"},
        {1024, 1024, 18 * 3600 + 12 * 60 + 16 + 0.5, 0, "Transferidos: 1 Kb de 1 Kb",
         "Taxa de Transferencia: 2,00 KB/s; Tempo de download  0: 0: 0", 100,
         "65536 whole seconds wrap to 0 (18:12:16 and half a second)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reason);
        const WorkDisplay shown = workDisplay(row.expected, row.count, startPlus(0),
                                              startPlus(row.seconds), row.previousRate, kBrazil);
        EXPECT_EQ(shown.counter, row.counter);
        EXPECT_EQ(shown.status, row.status);
        EXPECT_EQ(shown.gauge.value_or(-1), row.gauge);
    }
}

TEST(TransferProgressTest, NumbersFollowTheLocale) {
    const LocaleFormats us{',', '.', '/', ':'};
    EXPECT_EQ(formatGrouped(0, kBrazil), "0");
    EXPECT_EQ(formatGrouped(999, kBrazil), "999");
    EXPECT_EQ(formatGrouped(1234567, kBrazil), "1.234.567");
    EXPECT_EQ(formatGrouped(1234567, us), "1,234,567");
    EXPECT_EQ(formatGrouped(-1234, kBrazil), "-1.234");
    EXPECT_EQ(formatRate(512, kBrazil), "512,00 KB/s");
    EXPECT_EQ(formatRate(0.125, us), "0.13 KB/s");
}

TEST(TransferProgressTest, StatusPanelTexts) {
    const std::pair<int, const char*> rows[] = {
        {hsResolving, "Resolvendo.."},
        {hsConnecting, "Conectando.."},
        {hsConnected, "Conectado ao Servidor FTP! Aguarde.."},
        {hsDisconnecting, "Desconectando.."},
        {hsDisconnected, "Desconectado!"},
        {hsStatusText, "texto do cliente"},
        {ftpTransfer, "Transferindo.."},
        {ftpReady, "Lendo..."},
        {ftpAborted, "Abortado!"},
        {42, "texto do cliente"},
    };
    for (const auto& [status, text] : rows)
        EXPECT_EQ(statusPanelText(static_cast<TFtpStatus>(status), "texto do cliente"), text)
            << status;
}

TEST(TransferProgressTest, HandlersDriveTheWindow) {
    test::RecordingRunView view;
    TransferProgress progress(view);
    FixedLocale brazil{kBrazil};
    ScopedService<Locale> useLocale{brazil};
    FixedClock clock{startPlus(0)};
    ScopedService<Clock> useClock{clock};

    progress.ftpupdateStatus(ftpReady, "Transfer complete");
    EXPECT_EQ(view.panel, "Lendo...");
    EXPECT_TRUE(view.calls("reset gauge").empty());
    progress.ftpupdateStatus(hsDisconnected, "Disconnected.");
    EXPECT_EQ(view.panel, "Desconectado!");
    EXPECT_EQ(view.calls("reset gauge").size(), 1u) << "the gauge goes back to 0, even mid-run";

    TaxaTransferencia = 99;
    progress.BytesToTransfer = 2097152;
    progress.ftpupdateWorkBegin(wmRead);
    EXPECT_EQ(TaxaTransferencia, 0);
    clock.time = startPlus(2);
    progress.ftpupdateWork(wmRead, 1048576);
    EXPECT_EQ(view.counter, "Transferidos: 1.024 Kb de 2.048 Kb");
    EXPECT_EQ(view.status, "Taxa de Transferencia: 512,00 KB/s; Tempo de download  0: 0: 2");
    EXPECT_EQ(view.gauge, 50);
    EXPECT_EQ(view.pumps, 1) << "each work event lets the window handle its messages";
    EXPECT_DOUBLE_EQ(TaxaTransferencia, 512);

    progress.ftpupdateWorkEnd(wmRead);
    EXPECT_EQ(view.status, "Download!!");
    EXPECT_EQ(view.counter, "Transferidos: 2.048 Kb") << "the expected size, not the count";
    progress.ftpupdateWorkEnd(wmWrite);
    EXPECT_EQ(view.status, "Upload!!");

    // A read short of a full buffer before the end means the transfer waits
    // for the server next: the window shows its state before that; full
    // reads and the end of the file leave the pace to the window.
    struct Read {
        std::int64_t count;
        bool shown;
        const char* why;
    };
    const Read reads[] = {
        {100, true, "a first read short of a buffer, mid-file"},
        {100 + 32768, false, "a full read: more is waiting"},
        {100 + 32768 + 5000, true, "short again, mid-file"},
        {2097152, false, "the last read, however short: the end shows with the file's end"},
    };
    progress.ftpupdateWorkBegin(wmRead);
    for (const Read& read : reads) {
        SCOPED_TRACE(read.why);
        const int before = view.shownBeforeWaiting;
        progress.ftpupdateWork(wmRead, read.count);
        EXPECT_EQ(view.shownBeforeWaiting - before, read.shown ? 1 : 0);
    }

    // The operator asked to leave while the window handled its messages.
    view.leaveAtPump = 2;
    view.gauge = -1;
    EXPECT_THROW(progress.ftpupdateWork(wmRead, 2097152), UpdateRunCancelled);
    EXPECT_EQ(view.gauge, -1);
}

}  // namespace
}  // namespace velm
