#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <random>

#include "ftp/FtpClient.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "signing/AcceptedListStamp.h"
#include "support/FileBytes.h"
#include "support/PyftpdlibRun_linux.h"
#include "support/RecordingRunLog.h"
#include "support/RecordingRunView.h"
#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"
#include "sync/TransferProgress.h"
#include "sync/UpdateRun.h"

namespace velm {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::UnorderedElementsAre;

const char* const kErrorText =
    "Atualiza\xE7\xE3o finalizada com erros, feche os aplicativos e tente denovo.";

using test::hoursAgo;
using test::randomBytes;

std::string quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

void shell(const std::string& command) {
    ASSERT_EQ(std::system((command + " >/dev/null").c_str()), 0) << command;
}

// What the shop's folder holds of the run's files: absent ones as nothing.
using FolderBytes = std::map<std::string, std::optional<std::string>>;

// The whole update run with the folder's public key, against a real
// pyftpdlib whose product directory the maker signed with the real key tool
// (scripts/sign-release.sh) during the test.
class SignedUpdateRunTest : public ::testing::Test, public test::PyftpdlibRun {
public:  // the refusal table's rows prepare the server through it
    void SetUp() override {
        prepareRelease(300000);
        shell("minisign -G -W -p " + quoted(keys.path() / "maker.pub") + " -s " +
              quoted(keys.path() / "maker.key"));
        signRelease();
        startServer(true);
        test::writeFileBytes("atualiza.pub", test::readFileBytes(keys.path() / "maker.pub"));
        prepareShopFolder();
    }

    // As the maker does; `timestamp` signs with that signing time instead
    // of the clock's, as an older release was signed.
    void signRelease(std::optional<std::uint64_t> timestamp = std::nullopt) {
        shell(quoted(VELM_SIGN_RELEASE_SCRIPT) + " " + quoted(product) + " " +
              quoted(keys.path() / "maker.key"));
        if (timestamp)
            shell("minisign -S -s " + quoted(keys.path() / "maker.key") + " -m " +
                  quoted(product / "SHA256SUMS") + " -x " + quoted(product / "SHA256SUMS.minisig") +
                  " -t \"$(printf 'timestamp:%s\\tfile:SHA256SUMS\\thashed' " +
                  std::to_string(*timestamp) + ")\"");
    }

    static std::uint64_t signingTime(const fs::path& signature) {
        const std::string text = test::readFileBytes(signature);
        const std::size_t at = text.find("timestamp:") + 10;
        return std::stoull(text.substr(at));
    }

    static FolderBytes folderBytes() {
        FolderBytes bytes;
        for (const char* name : {"changed.exe", "equal.dll", "novo arquivo.txt", "SHA256SUMS",
                                 "SHA256SUMS.minisig", kAcceptedStampFile})
            bytes[name] = fs::exists(name) ? std::optional(test::readFileBytes(name)) : std::nullopt;
        return bytes;
    }

    test::TempFolder keys;
};

TEST_F(SignedUpdateRunTest, ASignedSetInstallsWithItsListsThenNothingChanges) {
    run();
    EXPECT_THAT(dialogs.shown, ::testing::IsEmpty());
    EXPECT_EQ(view.status, "Atualiza\xE7\xE3o finalizada com sucesso.");
    EXPECT_EQ(view.upgrades, 1);
    // The folder holds the list of what it runs, and the list's time.
    for (const char* name :
         {"changed.exe", "equal.dll", "novo arquivo.txt", "SHA256SUMS", "SHA256SUMS.minisig"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(test::readFileBytes(name), test::readFileBytes(product / name));
    }
    EXPECT_EQ(readAcceptedTimestamp(), signingTime(product / "SHA256SUMS.minisig"));
    // Into memory first, then as ordinary entries: only the changed ones.
    EXPECT_THAT(server->commands("RETR"),
                UnorderedElementsAre("RETR SHA256SUMS", "RETR SHA256SUMS.minisig",
                                     "RETR SHA256SUMS", "RETR SHA256SUMS.minisig",
                                     "RETR changed.exe", "RETR novo arquivo.txt"));
    EXPECT_THAT(view.states, ::testing::Each(tsEqual));

    // Nothing changed: the two small list downloads are all a signed run adds.
    run();
    EXPECT_THAT(dialogs.shown, ::testing::IsEmpty());
    EXPECT_EQ(server->commands("RETR").size(), 8u);
    EXPECT_EQ(view.upgrades, 2);
    EXPECT_EQ(view.status, "Atualiza\xE7\xE3o finalizada com sucesso.");
}

// Each row is an attack (or a server that publishes no list): the run must
// replace nothing, tell the operator what failed in one box, and keep the
// databases as they are.
struct Refusal {
    const char* name;
    std::function<void(SignedUpdateRunTest&)> serve;
    const char* box;            // a part of the box's text
    bool comparesAndDownloads;  // false: refused before the state pass
};

class SignedUpdateRunRefusalTest : public SignedUpdateRunTest,
                                   public ::testing::WithParamInterface<Refusal> {};

TEST_P(SignedUpdateRunRefusalTest, ReplacesNothingAndTellsTheOperator) {
    GetParam().serve(*this);
    const FolderBytes before = folderBytes();
    run();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_THAT(dialogs.shown[0].text, HasSubstr(GetParam().box));
    EXPECT_EQ(folderBytes(), before) << "byte for byte as before the run";
    EXPECT_EQ(view.upgrades, 0);
    EXPECT_EQ(view.status, kErrorText);
    if (!GetParam().comparesAndDownloads) {
        EXPECT_THAT(server->commands("SIZE"), ::testing::IsEmpty());
        EXPECT_THAT(view.states, ::testing::IsEmpty()) << "nothing compared";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Attacks, SignedUpdateRunRefusalTest,
    ::testing::Values(
        // Whoever answers in the server's place changes a file after signing.
        Refusal{"TamperedFile",
                [](SignedUpdateRunTest& t) {
                    t.remote("changed.exe", randomBytes(200000, 99), hoursAgo(30));
                },
                "changed.exe recebido n\xE3o confere com a lista assinada", true},
        // ...and rewrites the list to match, keeping the maker's signature.
        Refusal{"RewrittenListOldSignature",
                [](SignedUpdateRunTest& t) {
                    t.remote("changed.exe", randomBytes(200000, 99), hoursAgo(30));
                    shell("cd " + quoted(t.product) +
                          " && sha256sum changed.exe equal.dll 'novo arquivo.txt' > SHA256SUMS");
                },
                "A assinatura n\xE3o confere com a lista de arquivos", false},
        // A list properly signed, by a key that is not the folder's.
        Refusal{"AnotherMakersKey",
                [](SignedUpdateRunTest& t) {
                    shell("minisign -G -W -p " + quoted(t.keys.path() / "other.pub") + " -s " +
                          quoted(t.keys.path() / "other.key"));
                    shell(quoted(VELM_SIGN_RELEASE_SCRIPT) + " " + quoted(t.product) + " " +
                          quoted(t.keys.path() / "other.key"));
                },
                "foi assinada com outra chave", false},
        Refusal{"NoListPublished",
                [](SignedUpdateRunTest& t) {
                    fs::remove(t.product / "SHA256SUMS");
                    fs::remove(t.product / "SHA256SUMS.minisig");
                },
                "n\xE3o publicou a lista assinada de arquivos: falta SHA256SUMS e "
                "SHA256SUMS.minisig",
                false},
        // An older release, properly signed, served again after a newer one
        // was accepted here.
        Refusal{"OlderSignedSet",
                [](SignedUpdateRunTest& t) {
                    const std::uint64_t accepted =
                        SignedUpdateRunTest::signingTime(t.product / "SHA256SUMS.minisig");
                    writeAcceptedTimestamp(accepted);
                    t.remote("changed.exe", randomBytes(150000, 7), hoursAgo(400));
                    t.signRelease(accepted - 30 * 86400);
                },
                "mais antiga que a j\xE1 instalada", false},
        // A file added beside a signed release: every other file checks out,
        // and still nothing lands.
        Refusal{"FileTheListDoesNotName",
                [](SignedUpdateRunTest& t) {
                    t.remote("extra.exe", randomBytes(1000, 5), hoursAgo(2));
                },
                "extra.exe n\xE3o consta da lista assinada", true}),
    [](const auto& info) { return std::string(info.param.name); });

// Red where the check failed, the untouched entries as they were; the log
// names the key, the list's time and each check's outcome.
TEST_F(SignedUpdateRunTest, TheTamperedEntryTurnsRedAndTheLogSaysWhy) {
    remote("changed.exe", randomBytes(200000, 99), hoursAgo(30));
    test::RecordingRunLog log;
    run();
    const std::string stamp =
        "timestamp=" + std::to_string(signingTime(product / "SHA256SUMS.minisig"));
    using ::testing::AllOf;
    using ::testing::Contains;
    EXPECT_THAT(log.lines, Contains(AllOf(HasSubstr("signed-list result=ok key-id="),
                                          HasSubstr(stamp), HasSubstr("last-accepted=none"))));
    EXPECT_THAT(log.lines, Contains(AllOf(HasSubstr("checksum name=changed.exe"),
                                          HasSubstr("result=mismatch"))));
    EXPECT_THAT(log.lines, Contains(AllOf(HasSubstr("checksum name=\"novo arquivo.txt\""),
                                          HasSubstr("result=ok"))));
    // The list files fetched again are checked against the bytes verified.
    EXPECT_THAT(log.lines, Contains(AllOf(HasSubstr("checksum name=SHA256SUMS.minisig"),
                                          HasSubstr("result=ok"))));
    EXPECT_THAT(log.lines, Contains(HasSubstr("commit files=3 result=discarded")));
    EXPECT_THAT(log.lines, Contains(HasSubstr("upgrade result=skipped")));
    EXPECT_THAT(log.lines, ::testing::Not(Contains(HasSubstr("signed-list stamp="))));
    ASSERT_EQ(view.nodes.size(), view.states.size());
    for (std::size_t i = 0; i < view.nodes.size(); ++i) {
        SCOPED_TRACE(view.nodes[i]);
        const bool tampered = view.nodes[i].find("changed.exe") != std::string::npos;
        EXPECT_EQ(view.states[i], tampered ? tsDiffers : tsEqual);
    }
    EXPECT_FALSE(fs::exists(kAcceptedStampFile)) << "a failed run accepts no list";
}

}  // namespace
}  // namespace velm
