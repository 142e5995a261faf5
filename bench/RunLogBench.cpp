// What the run log costs.
//
//   run_log_bench [--lines N] [--files N] [--runs N]
//
// First the file log alone: N lines of a download line's length appended
// through RunLogFile in a temporary folder (rotating at 1 MiB), printed as
// microseconds per line. Then the update run itself over a local pyftpdlib
// whose product directory holds --files small files, every file already
// equal (the run logs one line per entry and fetches nothing, so the log's
// share is at its largest), alternating runs with the file log installed
// and without one; prints the median wall time of each and the ratio.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "ftp/FtpClient.h"
#include "platform/RunLogFile.h"
#include "support/FileBytes.h"
#include "support/PyftpdlibServer.h"
#include "support/TempFolder.h"
#include "sync/TransferProgress.h"
#include "sync/UpdateRun.h"
#include "sync/UpdateRunView.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// The window reduced to what the run needs: ready, the password, nothing shown.
class QuietView : public velm::UpdateRunView {
public:
    bool readyToDownload() override { return true; }
    std::string firstProgramCaption() override {
        return "App_Vezra_Config.exe - Ser\xE1 atualizado";
    }
    std::string programFilesFolder() override { return "/nowhere"; }
    std::string ftpPassword(const std::string&, const std::string&) override { return "bench"; }
    void showListing(const std::vector<std::string>&) override {}
    void clearTree() override {}
    void addNode(const std::string&, velm::TreeState) override {}
    void setNodeState(int, velm::TreeState) override {}
    void repaintTree() override {}
    void showFileName(const std::string&) override {}
    void showStatus(const std::string& text) override { status = text; }
    void showCounter(const std::string&) override {}
    void showStatusPanel(const std::string&) override {}
    void setGauge(int) override {}
    void resetGauge() override {}
    void repaintWindow() override {}
    void showBeforeWaiting() override {}
    bool pumpMessages() override { return false; }
    void setTag(int) override {}
    std::string savedScriptErrorFile() override { return {}; }
    void showScriptErrorNotice(const std::string&) override {}
    int runUpgrade() override { return 0; }
    std::string status;
};

double seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void appendRate(int lines) {
    const fs::path home = fs::current_path();
    {
        velm::test::TempFolder folder(velm::test::TempFolder::Enter::Yes);
        const std::string line =
            "2026-12-10 12:00:00.000 download name=arquivo1234.bin size=10240 received=10240 "
            "server-time=2026-12-09T17:45:00 result=ok";
        velm::RunLogFile log;
        const auto start = Clock::now();
        for (int i = 0; i < lines; ++i) log.append(line);
        const double total = seconds(start);
        std::printf(
            "file log: %d lines of %zu bytes in %.3f s: %.2f us a line; files %ju + %ju bytes\n",
            lines, line.size() + 2, total, total * 1e6 / lines,
            static_cast<std::uintmax_t>(fs::file_size(velm::kRunLogName)),
            static_cast<std::uintmax_t>(fs::file_size("VelmUpdate.log.1")));
    }
    fs::current_path(home);
}

double run(const fs::path& local) {
    fs::current_path(local);
    QuietView view;
    velm::TFtpClient client;
    velm::TransferProgress progress(view);
    progress.bind(client);
    const auto start = Clock::now();
    velm::UpdateRun(client, view, progress).AtualizaSistema();
    const double took = seconds(start);
    if (view.status != "Atualiza\xE7\xE3o finalizada com sucesso.")
        std::fprintf(stderr, "run ended with: %s\n", view.status.c_str());
    return took;
}

void runShare(int files, int runs) {
    const fs::path home = fs::current_path();
    velm::test::TempFolder root;
    fs::create_directories(root.path() / "quorixsenha");
    for (int f = 0; f < files; ++f)
        velm::test::writeFileBytes(
            root.path() / "quorixsenha" / ("arquivo" + std::to_string(f) + ".bin"), "x");
    velm::test::PyftpdlibServer server(root.path(), "ftpuser", "bench");
    velm::test::TempFolder local;
    velm::test::writeFileBytes(local.path() / "atualiza.cfg",
                               "127.0.0.1\r\n" + std::to_string(server.port()) + "\r\n");
    run(local.path());  // fetches everything once: later runs find it equal

    std::vector<double> with, without;
    for (int r = 0; r < 2 * runs; ++r) {
        if (r % 2 == 0) {
            velm::RunLogFile log;
            velm::ScopedService<velm::RunLog> use(log);
            with.push_back(run(local.path()));
        } else {
            without.push_back(run(local.path()));
        }
    }
    fs::current_path(home);
    std::printf(
        "update run, %d files all equal, %d runs each, medians: with the file log %.3f s, "
        "without %.3f s, ratio %.3f; log %ju bytes\n",
        files, runs, median(with), median(without), median(with) / median(without),
        static_cast<std::uintmax_t>(fs::file_size(local.path() / velm::kRunLogName)));
}

}  // namespace

int main(int argc, char** argv) {
    int lines = 200000, files = 2000, runs = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--lines"))
            lines = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--files"))
            files = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--runs"))
            runs = std::atoi(argv[i + 1]);
    }
    appendRate(lines);
    if (files > 0) runShare(files, runs);
}
