#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ftp/FtpClient.h"
#include "platform/AnsiCodePage.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/Locale.h"
#include "support/FileBytes.h"
#include "support/RecordedEffects.h"
#include "support/RecordingRunView.h"
#include "support/ScriptedFtpServer.h"
#include "support/TempFolder.h"
#include "sync/TransferProgress.h"
#include "sync/UpdateRun.h"

namespace velm::test {

// An update run against the scripted server in a working folder of its own,
// at a fixed time, with the window, dialogs, process and shell recorded; the
// test installs the log it looks at.
class LoggedRunFixture : public ::testing::Test {
protected:
    static DateTime at(int year, int month, int day, int hour, int minute, int second = 0) {
        return encodeDateTime({year, month, day, hour, minute, second, 0});
    }

    LoggedRunFixture() {
        fileSystem().writeTextLines("atualiza.cfg", {"127.0.0.1", std::to_string(server.port())});
        progress.bind(client);
        client.ReadTimeout = 10000;  // a fault must fail the test, not hang it
    }

    void local(const std::string& name, const std::string& bytes, DateTime modified) {
        writeFileBytes(name, bytes);
        fileSystem().setModificationTime(name, modified);
    }
    void run() { UpdateRun(client, view, progress).AtualizaSistema(); }

    // Every line stamped with the fixed clock's time.
    static std::vector<std::string> stamped(const std::vector<std::string>& texts) {
        std::vector<std::string> lines;
        for (const std::string& text : texts) lines.push_back("2026-12-10 12:00:00.000 " + text);
        return lines;
    }
    std::string startLine() const {
        return "run start version=1.0 folder=" +
               utf8ToAnsi(std::filesystem::current_path().string());
    }
    std::string serverLine() const {
        return "server host=127.0.0.1 port=" + std::to_string(server.port()) +
               " mode=passive user=ftpuser settings=atualiza.cfg password-column=senha_ftp";
    }

    TempFolder folder{TempFolder::Enter::Yes};
    ScriptedFtpServer server;
    FixedClock now{at(2026, 12, 10, 12, 0)};
    ScopedService<Clock> useClock{now};
    FixedLocale brazil{{'.', ',', '/', ':'}};
    ScopedService<Locale> useLocale{brazil};
    RecordedEffects effects;
    RecordingRunView view;
    TFtpClient client;
    TransferProgress progress{view};
};

}  // namespace velm::test
