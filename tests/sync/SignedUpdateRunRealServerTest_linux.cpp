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
#include "platform/Shell.h"
#include "signing/AcceptedListStamp.h"
#include "signing/Sha256Hasher.h"
#include "support/DelegatingFileSystem.h"
#include "support/FileBytes.h"
#include "support/PyftpdlibRun_linux.h"
#include "support/RecordingRunLog.h"
#include "support/RecordingRunView.h"
#include "support/RecordingShell.h"
#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"
#include "sync/ArchiveStep.h"
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
                "extra.exe n\xE3o consta da lista assinada", true},
        // A file of the signed release that the server leaves out of its
        // listing: the folder would keep the old one beside the new others.
        Refusal{"WithheldFile",
                [](SignedUpdateRunTest& t) {
                    t.remote("changed.exe", randomBytes(150000, 8), hoursAgo(20));
                    t.signRelease();
                    fs::remove(t.product / "equal.dll");
                },
                "O arquivo equal.dll da lista assinada n\xE3o est\xE1 no servidor; nenhum "
                "arquivo foi atualizado.",
                false},
        // A list whose expiry, signed by the maker, has passed: a server
        // holding the shop on an old release.
        Refusal{"ExpiredList",
                [](SignedUpdateRunTest& t) {
                    const std::uint64_t signedAt =
                        SignedUpdateRunTest::signingTime(t.product / "SHA256SUMS.minisig");
                    shell("minisign -S -s " + quoted(t.keys.path() / "maker.key") + " -m " +
                          quoted(t.product / "SHA256SUMS") + " -x " +
                          quoted(t.product / "SHA256SUMS.minisig") +
                          " -t \"$(printf 'timestamp:%s\\texpires:%s\\tfile:SHA256SUMS\\thashed' " +
                          std::to_string(signedAt) + " " + std::to_string(signedAt - 60) + ")\"");
                },
                "A lista assinada do servidor expirou em ", false}),
    [](const auto& info) { return std::string(info.param.name); });

// A shell that keeps, for each program started, the digest the archive had
// at that moment: what the archiver was given to extract.
struct ArchiveDigestShell : test::RecordingShell {
    bool startProgram(const std::string& commandLine) override {
        archives.push_back(hexDigest(sha256(test::readFileBytes(kArchiveFile))));
        return test::RecordingShell::startProgram(commandLine);
    }
    std::vector<std::string> archives;
};

std::string sha256Hex(const fs::path& file) {
    return hexDigest(sha256(test::readFileBytes(file)));
}

// Release 2 rewrites a library and the archive but the server lists both
// with the times the shop's copies already carry: the list, not the times,
// says they differ, so both are fetched, the folder then checks out against
// the list file by file, and the archiver gets the release's archive.
TEST_F(SignedUpdateRunTest, FilesRewrittenUnderTheSameTimesAreFetchedByTheirDigest) {
    ArchiveDigestShell archiver;
    ScopedService<Shell> useShell{archiver};
    remote("Sys_Brevant.rar", randomBytes(40000, 11), hoursAgo(10));
    signRelease();
    run();
    ASSERT_EQ(view.status, "Atualiza\xE7\xE3o finalizada com sucesso.");
    ASSERT_EQ(archiver.archives.size(), 1u);

    const auto keepTime = [&](const char* name, const std::string& bytes) {
        const fs::file_time_type time = fs::last_write_time(product / name);
        remote(name, bytes, time);
    };
    keepTime("equal.dll", randomBytes(5000, 22));
    keepTime("Sys_Brevant.rar", randomBytes(40000, 23));
    signRelease();
    const std::size_t retrBefore = server->commands("RETR").size();
    test::RecordingRunLog log;
    run();

    EXPECT_THAT(dialogs.shown, ::testing::IsEmpty());
    EXPECT_EQ(view.status, "Atualiza\xE7\xE3o finalizada com sucesso.");
    const std::vector<std::string> retr = server->commands("RETR");
    EXPECT_THAT(
        std::vector<std::string>(retr.begin() + retrBefore, retr.end()),
        UnorderedElementsAre("RETR SHA256SUMS", "RETR SHA256SUMS.minisig", "RETR SHA256SUMS",
                             "RETR SHA256SUMS.minisig", "RETR equal.dll", "RETR Sys_Brevant.rar"));
    // The folder is the release, as the maker's own tool checks it.
    EXPECT_EQ(std::system("sha256sum --quiet -c SHA256SUMS"), 0);
    ASSERT_EQ(archiver.archives.size(), 2u);
    EXPECT_EQ(archiver.archives[1], sha256Hex(product / "Sys_Brevant.rar"));
    EXPECT_EQ(readAcceptedTimestamp(), signingTime(product / "SHA256SUMS.minisig"));
    using ::testing::AllOf;
    using ::testing::Contains;
    EXPECT_THAT(log.lines, Contains(AllOf(HasSubstr("checksum name=equal.dll stage=state"),
                                          HasSubstr("result=mismatch"))));
    EXPECT_THAT(log.lines, Contains(AllOf(HasSubstr("checksum name=Sys_Brevant.rar stage=archive"),
                                          HasSubstr("result=ok"))));
    EXPECT_THAT(log.lines, Contains(HasSubstr("signed-list folder=checked files=4 result=ok")));
}

// A file of the folder that changes after it was checked (another program
// writing it while the run goes on): the folder check after the commit, or
// the archive's check before the archiver starts, finds it; the run ends
// with errors and starts nothing. The folder check comes before the list's
// time is recorded; the archive's, after (the folder was the release then).
class ChangingFileSystem : public test::DelegatingFileSystem {
public:
    // Called once: on the commit's first rename, or (not onRename) when
    // `trigger` is first looked for after the commit began.
    std::string trigger;
    bool onRename = false;
    std::function<void()> change;

    void replaceFile(const std::string& from, const std::string& to) override {
        test::DelegatingFileSystem::replaceFile(from, to);
        committing_ = true;
        if (onRename) fire();
    }
    bool fileExists(const std::string& name) override {
        if (committing_ && !onRename && name == trigger) fire();
        return test::DelegatingFileSystem::fileExists(name);
    }

private:
    bool committing_ = false;
    void fire() {
        if (!change) return;
        const std::function<void()> once = std::move(change);
        change = nullptr;
        once();
    }
};

TEST_F(SignedUpdateRunTest, AFileChangedAfterItsCheckStopsTheRun) {
    struct Row {
        const char* when;
        bool onRename;
        const char* file;
        const char* box;
        bool accepted;  // the list's time recorded
    };
    const Row rows[] = {
        {"during the commit", true, "equal.dll",
         "O arquivo equal.dll desta pasta n\xE3o confere com a lista assinada de arquivos do "
         "servidor (SHA-256 diferente); a atualiza\xE7\xE3o n\xE3o foi conclu\xED"
         "da. Tente de novo.",
         false},
        {"before the archive step", false, "Sys_Brevant.rar",
         "O arquivo Sys_Brevant.rar desta pasta n\xE3o confere com a lista assinada de arquivos "
         "do servidor (SHA-256 diferente); o arquivador n\xE3o foi iniciado.",
         true},
    };
    remote("Sys_Brevant.rar", randomBytes(40000, 11), hoursAgo(10));
    signRelease();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.when);
        fs::remove(kAcceptedStampFile);
        fs::remove("Sys_Brevant.rar");
        test::writeFileBytes("changed.exe", "velho");
        fs::last_write_time("changed.exe", hoursAgo(60));
        ArchiveDigestShell archiver;
        ScopedService<Shell> useShell{archiver};
        ChangingFileSystem files;
        files.onRename = row.onRename;
        files.trigger = row.file;
        const std::string file = row.file;
        files.change = [file] {
            const fs::file_time_type time = fs::last_write_time(file);
            test::writeFileBytes(file, "mudado por outro programa");
            fs::last_write_time(file, time);
        };
        ScopedService<FileSystem> useFiles{files};
        dialogs.shown.clear();
        const int upgrades = view.upgrades;
        run();
        ASSERT_EQ(dialogs.shown.size(), 1u);
        EXPECT_EQ(dialogs.shown[0].text, row.box);
        EXPECT_EQ(view.status, kErrorText);
        EXPECT_THAT(archiver.archives, ::testing::IsEmpty()) << "the archiver never started";
        EXPECT_EQ(fs::exists(kAcceptedStampFile), row.accepted);
        EXPECT_EQ(view.upgrades, upgrades);
    }
}

// The maker moves to a new key: a release signed with the old key brings
// the new atualiza.pub like any file of its list; from the next run on only
// the new key's lists are accepted.
TEST_F(SignedUpdateRunTest, AKeyRotatesThroughAReleaseSignedWithTheOldKey) {
    shell("minisign -G -W -p " + quoted(keys.path() / "new.pub") + " -s " +
          quoted(keys.path() / "new.key"));
    const std::string newKey = test::readFileBytes(keys.path() / "new.pub");
    remote("atualiza.pub", newKey, hoursAgo(1));
    signRelease();
    run();
    ASSERT_EQ(view.status, "Atualiza\xE7\xE3o finalizada com sucesso.");
    EXPECT_EQ(test::readFileBytes("atualiza.pub"), newKey);

    remote("changed.exe", randomBytes(120000, 31), hoursAgo(2));
    shell(quoted(VELM_SIGN_RELEASE_SCRIPT) + " " + quoted(product) + " " +
          quoted(keys.path() / "new.key"));
    run();
    EXPECT_THAT(dialogs.shown, ::testing::IsEmpty());
    EXPECT_EQ(view.status, "Atualiza\xE7\xE3o finalizada com sucesso.");
    EXPECT_EQ(test::readFileBytes("changed.exe"), test::readFileBytes(product / "changed.exe"));

    // The old key, perhaps stolen, signs no release for this folder any more.
    const std::string before = test::readFileBytes("changed.exe");
    remote("changed.exe", randomBytes(120000, 32), hoursAgo(1));
    signRelease();
    run();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_THAT(dialogs.shown[0].text, HasSubstr("foi assinada com outra chave"));
    EXPECT_EQ(test::readFileBytes("changed.exe"), before);
    EXPECT_EQ(view.status, kErrorText);
}

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
