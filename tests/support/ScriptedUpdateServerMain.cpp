// A scripted update server for driving the real program by hand with
// listings no ordinary server sends: it serves the files of a folder and a
// listing given byte for byte, or answers LIST with a fixed reply (a
// refusal) instead, or drops the connection in the middle of one file's
// download. Prints its port, then serves until SIGINT or SIGTERM.
//
//   scripted_update_server FOLDER LISTING_FILE ["450 No files found"] [--drop NAME]

#include <signal.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "support/FileBytes.h"
#include "support/ScriptedFtpServer.h"

int main(int argc, char** argv) {
    std::string dropped;  // the file whose transfer breaks off
    if (argc >= 5 && std::string(argv[argc - 2]) == "--drop") {
        dropped = argv[argc - 1];
        argc -= 2;
    }
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: %s FOLDER LISTING_FILE [LIST_REPLY] [--drop NAME]\n", argv[0]);
        return 2;
    }
    // Blocked before the server's thread starts, so that only sigwait takes them.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);

    velm::test::ScriptedFtpServer server;
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(argv[1]))
        if (entry.is_regular_file()) {
            const std::string name = entry.path().filename().string();
            files[name] = velm::test::readFileBytes(entry.path());
            server.file(name, files[name]);
        }
    server.listing(velm::test::readFileBytes(argv[2]));
    if (argc == 4) server.reply("LIST", argv[3]);
    if (!dropped.empty())
        server.on("RETR", [&](velm::test::FtpSession& s, const std::string& name) {
            const auto file = files.find(name);
            if (file == files.end()) return s.reply("550 No such file.");
            s.reply("150 Opening BINARY mode data connection");
            if (name != dropped) {
                s.sendData(file->second);
                return s.reply("226 Transfer complete.");
            }
            s.sendData(file->second.substr(0, file->second.size() / 2));
            s.reply("426 Connection closed; transfer aborted.");
        });

    std::printf("%u\n", static_cast<unsigned>(server.port()));
    std::fflush(stdout);
    int signal = 0;
    sigwait(&stop, &signal);
    return 0;
}
