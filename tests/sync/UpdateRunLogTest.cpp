#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/RecordingRunLog.h"
#include "sync/LoggedRunFixture.h"

namespace velm {
namespace {

using ::testing::ElementsAreArray;

class UpdateRunLogTest : public test::LoggedRunFixture {
protected:
    test::RecordingRunLog log;
};

TEST_F(UpdateRunLogTest, AWholeGoodRun) {
    server.listing(
        "total 6\r\n"
        "-rw-r--r--   1 owner group      11 Dec  1 14:07 changed.exe\r\n"
        "-rw-r--r--   1 owner group       5 Jan 05  2023 equal.dll\r\n"
        "-rw-r--r--   1 owner group       9 Nov 21 09:00 meu arquivo.txt\r\n"
        "-rw-r--r--   1 owner group       3 Nov 20 08:59 Sys_Brevant.rar\r\n"
        "drwxr-xr-x   2 owner group    4096 Jan 05  2023 Arquivos_dlls\r\n");
    server.file("changed.exe", "novo codigo");
    server.file("equal.dll", "igual");
    server.file("meu arquivo.txt", "com blank");
    server.file("Sys_Brevant.rar", "rar");
    local("changed.exe", "codigo velho", at(2026, 11, 30, 14, 7));
    local("equal.dll", "igual", at(2023, 1, 5, 0, 0, 30));
    test::writeFileBytes("App_Vezra_Config.exe", "antigo");
    test::writeFileBytes("Sys_Brevant.exe", "loja");

    run();

    EXPECT_THAT(
        log.lines,
        ElementsAreArray(stamped({
            startLine(),
            serverLine(),
            "login result=ok",
            "listing lines=6 entries=5 format=Unix",
            "entry state=no-entry line=\"total 6\"",
            "entry state=changed name=changed.exe",
            "entry state=equal name=equal.dll",
            "entry state=new name=\"meu arquivo.txt\"",
            "entry state=new name=Sys_Brevant.rar",
            "entry state=equal name=Arquivos_dlls",
            "download name=changed.exe size=11 received=11 server-time=2026-12-01T14:07:00 "
            "result=ok",
            "download name=\"meu arquivo.txt\" size=9 received=9 "
            "server-time=2026-11-21T09:00:00 result=ok",
            "download name=Sys_Brevant.rar size=3 received=3 server-time=2026-11-20T08:59:00 "
            "result=ok",
            "commit files=3 result=ok",
            "archive result=started command=\"C:\\Program Files\\winrar\\WinRAR.exe x -o+ "
            "Sys_Brevant.rar *.exe \"\".\\\"\"\"",
            "run end message=\"Atualiza\xE7\xE3o finalizada com sucesso.\"",
        })));
    EXPECT_EQ(view.upgrades, 1) << "the upgrade run writes its own lines";
    for (const std::string& line : log.lines)
        EXPECT_THAT(line, ::testing::Not(::testing::HasSubstr("secret"))) << "never the password";
}

TEST_F(UpdateRunLogTest, ARunWithFailedDownloads) {
    const std::string content(100000, 'n');
    server.listing(
        "-rw-r--r--   1 owner group  100000 Jan 05  2023 app.exe\r\n"
        "-rw-r--r--   1 owner group       3 Jan 05  2023 nega.txt\r\n"
        "-rw-r--r--   1 owner group       3 Jan 05  2023 ok.txt\r\n");
    server.file("app.exe", content);
    server.file("ok.txt", "bom");  // nega.txt: the size query is refused too
    server.on("RETR", [&](test::FtpSession& s, const std::string& name) {
        if (name == "nega.txt") return s.reply("550 Permission denied.");
        s.reply("150 Opening BINARY mode data connection");
        if (name == "ok.txt") {
            s.sendData("bom");
            return s.reply("226 Transfer complete.");
        }
        s.sendData(content.substr(0, 40000));
        s.reply("426 Connection closed; transfer aborted.");
    });
    local("app.exe", "versao anterior", at(2020, 1, 1, 0, 0));
    test::writeFileBytes("Sys_Brevant.exe", "loja");

    run();

    EXPECT_THAT(
        log.lines,
        ElementsAreArray(stamped({
            startLine(),
            serverLine(),
            "login result=ok",
            "listing lines=3 entries=3 format=Unix",
            "entry state=changed name=app.exe",
            "entry state=new name=nega.txt",
            "entry state=new name=ok.txt",
            "download name=app.exe size=100000 received=40000 server-time=2023-01-05T00:00:00 "
            "result=failed error=\"Connection closed; transfer aborted.\"",
            "download name=nega.txt size=unknown received=0 server-time=2023-01-05T00:00:00 "
            "result=failed error=\"Permission denied.\"",
            "download name=ok.txt size=3 received=3 server-time=2023-01-05T00:00:00 result=ok",
            "commit files=1 result=discarded reason=errors",
            "archive result=skipped downloaded=yes errors=yes main-program=present "
            "archive=missing",
            "upgrade result=skipped reason=errors",
            "run end message=\"Atualiza\xE7\xE3o finalizada com erros, feche os aplicativos e "
            "tente denovo.\"",
        })));
}

// A refusal that ends the run early: the lines after the server's.
struct Refusal {
    const char* name;
    const char* command;
    const char* reply;
    enum class End { ProcessExit, Raised, Returned } end;
    std::vector<std::string> lines;
};

const Refusal kRefusals[] = {
    {"Login", "PASS", "530 Login incorrect.", Refusal::End::ProcessExit,
     {"login result=failed error=\"Login incorrect.\" exit-code=2"}},
    {"Directory", "CWD", "550 No such directory.", Refusal::End::Raised,
     {"login result=ok", "run stopped error=\"No such directory.\""}},
    {"Listing", "LIST", "450 No files found", Refusal::End::Returned,
     {"login result=ok", "listing result=failed error=\"No files found\"",
      "upgrade result=skipped reason=errors",
      "run end message=\"Atualiza\xE7\xE3o finalizada com erros, feche os aplicativos e tente "
      "denovo.\""}},
};

class UpdateRunRefusalLogTest : public UpdateRunLogTest,
                                public ::testing::WithParamInterface<Refusal> {};

TEST_P(UpdateRunRefusalLogTest, EndsTheLogWhereTheRunEnds) {
    const Refusal& refusal = GetParam();
    server.reply(refusal.command, refusal.reply);
    switch (refusal.end) {
        case Refusal::End::ProcessExit:
            EXPECT_THROW(run(), ProcessExit);
            break;
        case Refusal::End::Raised:
            EXPECT_THROW(run(), std::exception);
            break;
        case Refusal::End::Returned:
            run();
            break;
    }
    std::vector<std::string> expected = {startLine(), serverLine()};
    expected.insert(expected.end(), refusal.lines.begin(), refusal.lines.end());
    EXPECT_THAT(log.lines, ElementsAreArray(stamped(expected)));
}

INSTANTIATE_TEST_SUITE_P(Refused, UpdateRunRefusalLogTest, ::testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(UpdateRunLogTest, AListingLineThatNamesNoEntry) {
    server.listing("this line names no file at all\r\n");
    run();
    EXPECT_THAT(log.lines,
                ::testing::Contains(stamped({"listing lines=1 entries=0 format=none"})[0]));
    EXPECT_THAT(log.lines,
                ::testing::Contains(stamped({"entry state=unreadable-line "
                                             "line=\"this line names no file at all\""})[0]));
}

TEST_F(UpdateRunLogTest, ASavedFailedScriptLocksTheUpgrade) {
    server.listing("");
    view.savedScript = "SCRIPT_ERRO_DT_10-12-2026_HR_09-00-00 M-BASE.TXT";
    run();
    EXPECT_THAT(
        log.lines,
        ElementsAreArray(stamped({
            startLine(),
            serverLine(),
            "login result=ok",
            "listing lines=0 entries=0 format=none",
            "archive result=skipped downloaded=no errors=no main-program=missing archive=missing",
            "upgrade result=skipped reason=saved-script "
            "file=\"SCRIPT_ERRO_DT_10-12-2026_HR_09-00-00 M-BASE.TXT\"",
            "run end message=\"Atualiza\xE7\xE3o finalizada com erros, necess\xE1rio contactar "
            "Quorix Sistemas.\"",
        })));
}

TEST_F(UpdateRunLogTest, TheOperatorLeavingDuringATransfer) {
    server.listing("-rw-r--r--   1 owner group  300000 Jan 05  2023 grande.bin\r\n");
    server.file("grande.bin", std::string(300000, 'g'));
    view.leaveAtPump = 2;  // the listing's one work event is the first pump
    run();
    EXPECT_THAT(log.lines, ElementsAreArray(stamped({
                               startLine(),
                               serverLine(),
                               "login result=ok",
                               "listing lines=1 entries=1 format=Unix",
                               "entry state=new name=grande.bin",
                               "run cancelled reason=operator-left",
                           })));
}

}  // namespace
}  // namespace velm
