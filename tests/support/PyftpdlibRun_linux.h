#pragma once

#include <chrono>
#include <ctime>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "ftp/FtpClient.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "support/FileBytes.h"
#include "support/PyftpdlibServer.h"
#include "support/RecordingRunView.h"
#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"
#include "sync/TransferProgress.h"
#include "sync/UpdateRun.h"

namespace velm::test {

inline std::string randomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string s(size, '\0');
    for (char& c : s) c = static_cast<char>(random() & 0xFF);
    return s;
}

inline std::filesystem::file_time_type hoursAgo(int hours) {
    return std::filesystem::file_time_type::clock::now() - std::chrono::hours(hours);
}

// What the update-run tests against a real pyftpdlib share (Linux only): a
// product directory "quorixsenha" holding a changed program, an equal
// library and a new text file of `newFileSize` bytes; the shop's folder
// (the current one) holding the equal library with the server's time and an
// old copy of the program; the run's services recorded. Mixed into a
// fixture, which calls prepareRelease, then (after signing it, say)
// startServer and prepareShopFolder.
class PyftpdlibRun {
public:
    PyftpdlibRun() { tzset(); }  // the zone set below

    void prepareRelease(std::size_t newFileSize) {
        product = server_root.path() / "quorixsenha";
        std::filesystem::create_directories(product);
        remote("changed.exe", randomBytes(200000, 1), hoursAgo(30));
        remote("equal.dll", randomBytes(5000, 2), hoursAgo(5));
        remote("novo arquivo.txt", randomBytes(newFileSize, 3), hoursAgo(3));
    }

    void startServer(bool passive) {
        server = std::make_unique<PyftpdlibServer>(product.parent_path(), "ftpuser", "segredo");
        fileSystem().writeTextLines("atualiza.cfg", {"127.0.0.1", std::to_string(server->port()),
                                                     passive ? "TRUE" : "False"});
    }

    // The equal file carries the server's time (same minute), the changed one another.
    void prepareShopFolder() {
        namespace fs = std::filesystem;
        writeFileBytes("equal.dll", readFileBytes(product / "equal.dll"));
        fs::last_write_time("equal.dll", fs::last_write_time(product / "equal.dll"));
        writeFileBytes("changed.exe", "velho");
        fs::last_write_time("changed.exe", hoursAgo(60));
        view.password = "segredo";
        progress.bind(client);
        client.ReadTimeout = 20000;
    }

    void remote(const std::string& name, const std::string& bytes,
                std::filesystem::file_time_type time) {
        writeFileBytes(product / name, bytes);
        std::filesystem::last_write_time(product / name, time);
    }

    void run() { UpdateRun(client, view, progress).AtualizaSistema(); }

    // pyftpdlib lists its times in GMT and the run reads listed times as
    // local ones, so the tests run in UTC whatever the machine's zone. The
    // rereader is declared first so that it runs last, once TZ is back.
    struct RereadZone {
        ~RereadZone() { tzset(); }
    } rereadZone;
    ScopedEnvironment zone{"TZ", "UTC0"};

    TempFolder folder{TempFolder::Enter::Yes};
    TempFolder server_root;
    std::filesystem::path product;
    std::unique_ptr<PyftpdlibServer> server;
    RecordingDialogs dialogs;
    ScopedService<Dialogs> useDialogs{dialogs};
    RecordingProcess process;
    ScopedService<Process> useProcess{process};
    RecordingRunView view;
    TFtpClient client;
    TransferProgress progress{view};
};

}  // namespace velm::test
