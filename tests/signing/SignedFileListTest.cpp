#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/DecimalText.h"
#include "signing/SignedFileList.h"
#include "signing/SignedListError.h"
#include "signing/TrustedTimestamp.h"
#include "support/FileBytes.h"
#include "support/RecordingRunLog.h"
#include "support/TestServers.h"
#include "sync/SignedListLog.h"

namespace velm {
namespace {

// Made at test time by tests/sync/make_signed_list_fixtures.py with the real
// key tool (a CTest fixture, also for the Windows run, which reads them).
const std::filesystem::path kFixtures = VELM_SIGNED_LIST_FIXTURES;

struct Row {
    const char* fixture;
    std::optional<SignedListFailure> failure;  // nothing: accepted
    const char* reason;
};

bool signatureStage(SignedListFailure failure) {
    return failure == SignedListFailure::BadPublicKey ||
           failure == SignedListFailure::BadSignatureFile ||
           failure == SignedListFailure::WrongKey ||
           failure == SignedListFailure::SignatureMismatch ||
           failure == SignedListFailure::CommentMismatch;
}

class SignedFileListFixtures : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(kFixtures / "good-prehashed" / "SHA256SUMS")) {
            if (test::serversRequired())
                FAIL() << "no signed-list fixtures in " << kFixtures
                       << " although VELM_REQUIRE_SERVERS=1: run the test through ctest";
            GTEST_SKIP() << "no signed-list fixtures: run the test through ctest";
        }
    }

    static std::string file(const Row& row, const char* name) {
        return test::readFileBytes(kFixtures / row.fixture / name);
    }

    static SignedFileList verify(const Row& row) {
        std::optional<std::uint64_t> last;
        if (const std::string text = file(row, "last-accepted"); !text.empty())
            last = readDigits<std::uint64_t>(text);
        std::optional<std::uint64_t> now;
        if (const std::string text = file(row, "now"); !text.empty())
            now = readDigits<std::uint64_t>(text);
        return SignedFileList::verify(file(row, "atualiza.pub"), file(row, "SHA256SUMS"),
                                      file(row, "SHA256SUMS.minisig"), last, now);
    }

    // What sha256sum wrote for the release's files: name and lower-case hex.
    static std::vector<std::pair<std::string, std::string>> digests(const Row& row) {
        std::vector<std::pair<std::string, std::string>> found;
        std::string text = file(row, "digests");
        for (std::size_t begin = 0; begin < text.size();) {
            const std::size_t end = text.find('\n', begin);
            const std::string line = text.substr(begin, end - begin);
            found.emplace_back(line.substr(65), line.substr(0, 64));
            begin = end + 1;
        }
        return found;
    }
};

TEST_F(SignedFileListFixtures, ChecksAgreeWithTheKeyTool) {
    using F = SignedListFailure;
    const std::vector<Row> rows = {
        {"good-prehashed", {}, "scripts/sign-release.sh's own output: ED, the default"},
        {"good-legacy", {}, "Ed: the signature over the file itself (-l)"},
        {"styles-crlf-star-upper", {}, "CR LF lines, the * marker, upper-case hex"},
        {"same-as-accepted", {}, "the list installed last, served again: nothing older"},
        {"newer-than-accepted", {}, "a newer release"},
        {"wrong-key", F::WrongKey, "signed by another maker's key"},
        {"key-id-bit", F::WrongKey, "a bit of the signature's key id"},
        {"signature-bit", F::SignatureMismatch, "a bit of the signature"},
        {"algorithm-unknown", F::BadSignatureFile, "'EE' is no algorithm"},
        {"trusted-comment-bit", F::CommentMismatch, "a bit of the timestamp in the comment"},
        {"global-signature-bit", F::CommentMismatch, "a bit of the global signature"},
        {"sums-bit", F::SignatureMismatch, "a bit of SHA256SUMS under ED"},
        {"sums-bit-legacy", F::SignatureMismatch, "a bit of SHA256SUMS under Ed"},
        {"sums-truncated", F::SignatureMismatch, "SHA256SUMS cut short"},
        {"rewritten-list-old-signature", F::SignatureMismatch,
         "a line added to the list, the old signature kept"},
        {"signature-truncated", F::BadSignatureFile, "the global signature's line lost"},
        {"signature-oversized", F::TooLarge, "a signature file past 4 KiB"},
        {"sums-oversized", F::TooLarge,
         "a properly signed list past 4 MiB: the key tool accepts it, the bound does not"},
        {"public-key-garbled", F::BadPublicKey, "atualiza.pub holds no key"},
        {"no-timestamp", F::NoTimestamp, "a trusted comment without timestamp:N"},
        {"older-than-accepted", F::Older, "rollback: one second older than the installed list"},
        {"duplicate-name", F::BadList, "a signed list naming a file twice"},
        {"short-digest", F::BadList, "a signed list with a 63-digit digest"},
        {"expires-fresh", {}, "--valid-days 30, read an hour after signing"},
        {"expires-last-second", {}, "read at the very second it expires"},
        {"expires-passed", F::Expired, "read a second after it expired"},
        {"expired", F::Expired, "read now, an expiry a day before its signing time"},
        {"expires-unreadable", F::Expired, "expires: without a number"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.fixture) + ": " + row.reason);
        const bool toolVerified = file(row, "minisign-verdict") == "verified";
        std::optional<SignedListFailure> failure;
        std::string text;
        try {
            const SignedFileList list = verify(row);
            for (const auto& [name, hex] : digests(row)) {
                const Sha256Digest* expected = list.expectedDigest(name);
                ASSERT_NE(expected, nullptr) << name;
                EXPECT_EQ(hexDigest(*expected), hex) << name;
                EXPECT_NO_THROW(list.checkNamed(name));
            }
            EXPECT_EQ(list.fileCount(), digests(row).size());
        } catch (const SignedListError& e) {
            failure = e.failure();
            text = e.what();
        }
        EXPECT_EQ(failure, row.failure) << text;
        // The key tool is the reference for the signatures: where it fails we
        // fail, and where it verifies we fail only for a check of our own
        // (bounds, timestamp, rollback, the list's lines).
        if (!toolVerified) {
            EXPECT_TRUE(failure.has_value());
        } else if (failure) {
            EXPECT_FALSE(signatureStage(*failure)) << text;
        }
    }
}

TEST_F(SignedFileListFixtures, AcceptedListAnswersTheRunsQuestions) {
    const Row row{"good-prehashed", {}, ""};
    const SignedFileList list = verify(row);
    const std::string pub = file(row, "atualiza.pub");
    // The key tool names its key in the comment line: the same text as ours
    // (which has no leading zeros either: a key in sixteen prints short).
    EXPECT_EQ(pub.substr(0, pub.find('\n')),
              "untrusted comment: minisign public key " + keyIdText(list.keyId()));
    EXPECT_TRUE(list.prehashed());
    const std::string signature = file(row, "SHA256SUMS.minisig");
    EXPECT_NE(signature.find("timestamp:" + std::to_string(list.timestamp()) + "\t"),
              std::string::npos);

    // Every listed entry must be named, except the two list files and the
    // libraries' folder; names compare byte by byte, as the run's do.
    for (const char* exempt : {"SHA256SUMS", "SHA256SUMS.minisig", "Arquivos_dlls"})
        EXPECT_NO_THROW(list.checkNamed(exempt)) << exempt;
    for (const char* stranger : {"intruso.exe", "leiame.txt", "Manual da Loja.pdf ", "Manual"})
        EXPECT_THROW(list.checkNamed(stranger), Error) << stranger;
    try {
        list.checkNamed("intruso.exe");
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(),
                     "O arquivo intruso.exe n\xE3o consta da lista assinada de arquivos do "
                     "servidor (SHA256SUMS).");
    }

    // A download must hash to the listed digest before it replaces anything.
    const std::string program = "MZ program bytes";
    const std::string received = program + std::string("\x00\x01\x02", 3);
    EXPECT_NO_THROW(list.checkDownloaded("App_Vezra_Lista.exe", sha256(received)));
    EXPECT_THROW(list.checkDownloaded("App_Vezra_Lista.exe", sha256(program)), Error);
    EXPECT_THROW(list.checkDownloaded("intruso.exe", sha256(received)), Error);
    // The list files fetched into the folder must be the bytes verified.
    const std::string sums = file(row, "SHA256SUMS");
    EXPECT_NO_THROW(list.checkDownloaded("SHA256SUMS", sha256(sums)));
    EXPECT_NO_THROW(list.checkDownloaded("SHA256SUMS.minisig", sha256(signature)));
    EXPECT_THROW(list.checkDownloaded("SHA256SUMS", sha256(sums + "\n")), Error);
    EXPECT_THROW(list.checkDownloaded("SHA256SUMS.minisig", sha256(sums)), Error);

    test::RecordingRunLog log;
    logSignedListAccepted(list, std::nullopt);
    logSignedListAccepted(list, 1700000000);
    ASSERT_EQ(log.lines.size(), 2u);
    const std::string head = "signed-list result=ok key-id=" + keyIdText(list.keyId()) +
                             " algorithm=ED timestamp=" + std::to_string(list.timestamp()) +
                             " signed=" + timestampLogText(list.timestamp());
    const std::string tail =
        " files=4 key-id-check=ok signature=ok comment-signature=ok rollback=ok";
    EXPECT_EQ(log.lines[0].substr(24), head + " last-accepted=none" + tail);
    EXPECT_EQ(log.lines[1].substr(24), head + " last-accepted=1700000000" + tail);
}

TEST_F(SignedFileListFixtures, OperatorTextsSayWhatFailed) {
    struct TextRow {
        const char* fixture;
        const char* text;
    };
    const std::vector<TextRow> rows = {
        {"sums-bit",
         "A assinatura n\xE3o confere com a lista de arquivos do servidor (SHA256SUMS): a lista "
         "n\xE3o \xE9 a que o fabricante assinou."},
        {"sums-oversized", "O arquivo SHA256SUMS do servidor passa do limite de 4194304 bytes."},
        {"no-timestamp",
         "A lista de arquivos do servidor n\xE3o traz a data da assinatura (timestamp) no "
         "coment\xE1rio confi\xE1vel."},
    };
    for (const TextRow& row : rows) {
        try {
            verify({row.fixture, {}, ""});
            ADD_FAILURE() << row.fixture << " was accepted";
        } catch (const SignedListError& e) {
            EXPECT_STREQ(e.what(), row.text);
        }
    }
    // The rollback box names both signing times.
    try {
        verify({"older-than-accepted", {}, ""});
        ADD_FAILURE() << "an older list was accepted";
    } catch (const SignedListError& e) {
        const std::string text = e.what();
        EXPECT_TRUE(text.starts_with("A lista de arquivos do servidor \xE9 mais antiga que a j\xE1 "
                                     "instalada nesta pasta (assinada em "))
            << text;
        EXPECT_NE(text.find(" UTC; a instalada, em "), std::string::npos) << text;
    }
    // The expired list's box shows both dates.
    try {
        verify({"expires-passed", {}, ""});
        ADD_FAILURE() << "an expired list was accepted";
    } catch (const SignedListError& e) {
        const std::string until = file({"expires-passed", {}, ""}, "SHA256SUMS.minisig");
        const std::uint64_t expires = std::stoull(until.substr(until.find("expires:") + 8));
        EXPECT_EQ(std::string(e.what()),
                  "A lista assinada do servidor expirou em " + timestampDisplayText(expires) +
                      "; a data deste computador \xE9 " + timestampDisplayText(expires + 1) +
                      ". O fabricante precisa publicar a lista de novo.");
    }
    // The wrong key's box names both key ids as the key tool prints them.
    try {
        verify({"wrong-key", {}, ""});
        ADD_FAILURE() << "another key's signature was accepted";
    } catch (const SignedListError& e) {
        const std::string pub = file({"wrong-key", {}, ""}, "atualiza.pub");
        const std::size_t at = pub.find("public key ") + 11;
        const std::string id = pub.substr(at, pub.find('\n') - at);
        EXPECT_NE(std::string(e.what()).find("chave desta pasta (" + id + ")"), std::string::npos)
            << e.what();
    }
}

TEST(SignedFileList, RequiresBothListFiles) {
    EXPECT_NO_THROW(requireListFiles(true, true));
    const std::vector<std::tuple<bool, bool, const char*>> rows = {
        {false, true, "falta SHA256SUMS."},
        {true, false, "falta SHA256SUMS.minisig."},
        {false, false, "falta SHA256SUMS e SHA256SUMS.minisig."},
    };
    for (const auto& [sums, signature, ending] : rows) {
        try {
            requireListFiles(sums, signature);
            ADD_FAILURE() << ending;
        } catch (const SignedListError& e) {
            EXPECT_EQ(e.failure(), SignedListFailure::NotPublished);
            EXPECT_EQ(std::string(e.what()),
                      std::string("O servidor n\xE3o publicou a lista assinada de arquivos: ") +
                          ending);
        }
    }
}

}  // namespace
}  // namespace velm
