// A scripted update server for driving the real program by hand with
// listings no ordinary server sends: it serves the files of a folder and a
// listing given byte for byte, or answers LIST with a fixed reply (a
// refusal) instead. Prints its port, then serves until SIGINT or SIGTERM.
//
//   scripted_update_server FOLDER LISTING_FILE ["450 No files found"]

#include <signal.h>

#include <cstdio>
#include <filesystem>

#include "support/FileBytes.h"
#include "support/ScriptedFtpServer.h"

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: %s FOLDER LISTING_FILE [LIST_REPLY]\n", argv[0]);
        return 2;
    }
    // Blocked before the server's thread starts, so that only sigwait takes them.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);

    velm::test::ScriptedFtpServer server;
    for (const auto& entry : std::filesystem::directory_iterator(argv[1]))
        if (entry.is_regular_file())
            server.file(entry.path().filename().string(), velm::test::readFileBytes(entry.path()));
    server.listing(velm::test::readFileBytes(argv[2]));
    if (argc == 4) server.reply("LIST", argv[3]);

    std::printf("%u\n", static_cast<unsigned>(server.port()));
    std::fflush(stdout);
    int signal = 0;
    sigwait(&stop, &signal);
    return 0;
}
