#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "platform/Errors.h"
#include "platform/ReplacementFile.h"
#include "signing/AcceptedListStamp.h"
#include "signing/MinisignSignature.h"
#include "signing/MinisignText.h"
#include "signing/SignedFileList.h"
#include "signing/SignedListError.h"
#include "signing/SignedListStreams.h"
#include "support/FaultyFileSystems.h"
#include "support/FileBytes.h"
#include "support/RecordingRunLog.h"
#include "support/TempFolder.h"
#include "sync/SignedListLog.h"

namespace velm {
namespace {

std::optional<SignedListFailure> failureOf(auto call) {
    try {
        call();
    } catch (const SignedListError& e) {
        return e.failure();
    }
    return std::nullopt;
}

TEST(AcceptedListStamp, KeptInTheFolderBetweenRuns) {
    test::TempFolder folder{test::TempFolder::Enter::Yes};
    EXPECT_EQ(readAcceptedTimestamp(), std::nullopt);  // the first signed run accepts any
    writeAcceptedTimestamp(1796964131);
    EXPECT_EQ(test::readFileBytes("atualiza.carimbo"), "1796964131\r\n");
    EXPECT_EQ(readAcceptedTimestamp(), 1796964131u);
    writeAcceptedTimestamp(1796964200);
    EXPECT_EQ(readAcceptedTimestamp(), 1796964200u);
    test::writeFileBytes("atualiza.carimbo", "1796964131");  // written by hand, no line end
    EXPECT_EQ(readAcceptedTimestamp(), 1796964131u);
}

TEST(AcceptedListStamp, ADamagedRecordIsAnErrorNotAFirstRun) {
    test::TempFolder folder{test::TempFolder::Enter::Yes};
    for (const std::string& damaged : std::vector<std::string>{"", "abc\r\n", "17969 64131\r\n", "-5\r\n", "1\r\n2\r\n",
                                      std::string(100, '7')}) {
        test::writeFileBytes("atualiza.carimbo", damaged);
        EXPECT_EQ(failureOf([] { readAcceptedTimestamp(); }), SignedListFailure::BadAcceptedFile)
            << damaged;
    }
    std::filesystem::remove("atualiza.carimbo");
    std::filesystem::create_directory("atualiza.carimbo");
    EXPECT_EQ(failureOf([] { readAcceptedTimestamp(); }), SignedListFailure::BadAcceptedFile);
}

TEST(AcceptedListStamp, AFailedWriteLeavesTheOldRecord) {
    test::TempFolder folder{test::TempFolder::Enter::Yes};
    writeAcceptedTimestamp(100);
    {
        test::FullDiskFileSystem full(3);
        ScopedService<FileSystem> use(full);
        EXPECT_THROW(writeAcceptedTimestamp(1796964131), FileError);
    }
    EXPECT_EQ(readAcceptedTimestamp(), 100u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."),
                            std::filesystem::directory_iterator()),
              1);  // no temporary file left
}

TEST(PublicKeyFile, AbsentMeansSignedListsAreOff) {
    test::TempFolder folder{test::TempFolder::Enter::Yes};
    EXPECT_EQ(readPublicKeyFile(), std::nullopt);
    test::writeFileBytes("ATUALIZA.PUB", "untrusted comment: k\nkey\n");
    EXPECT_EQ(readPublicKeyFile(), "untrusted comment: k\nkey\n");  // found as Windows finds it
    test::writeFileBytes("ATUALIZA.PUB", std::string(kMaxPublicKeyFileBytes + 1, 'k'));
    EXPECT_EQ(failureOf([] { readPublicKeyFile(); }), SignedListFailure::BadPublicKey);
}

TEST(SignedListStreams, ListFilesAreHeldToTheirBound) {
    BoundedTextStream exact(kSumsSignatureFile, 8);
    exact << "1234" << "5678";
    exact.flush();
    EXPECT_EQ(exact.text(), "12345678");

    BoundedTextStream over(kSumsSignatureFile, 8);
    over << "1234";
    try {
        over.write("56789", 5);
        ADD_FAILURE() << "the bound was passed";
    } catch (const SignedListError& e) {
        EXPECT_EQ(e.failure(), SignedListFailure::TooLarge);
        EXPECT_STREQ(e.what(),
                     "O arquivo SHA256SUMS.minisig do servidor passa do limite de 8 bytes.");
    }
    EXPECT_EQ(over.text(), "1234");
}

TEST(SignedListStreams, ADownloadIsHashedAsItPassesThrough) {
    std::ostringstream file;
    HashingStream hashing(file);
    std::string content;
    for (int chunk = 0; chunk < 100; ++chunk) {
        const std::string piece(32768 + chunk, static_cast<char>('a' + chunk % 26));
        hashing.write(piece.data(), static_cast<std::streamsize>(piece.size()));
        content += piece;
    }
    hashing.put('!');
    content += '!';
    EXPECT_EQ(file.str(), content);
    EXPECT_EQ(hashing.finish(), sha256(content));
    EXPECT_EQ(hexDigest(sha256("abc")),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");

    // The target's own error comes out as it was raised.
    test::TempFolder folder{test::TempFolder::Enter::Yes};
    test::FullDiskFileSystem full(10);
    ScopedService<FileSystem> use(full);
    ReplacementFile replacement("app.exe");
    HashingStream toDisk(replacement.stream());
    EXPECT_THROW(toDisk.write("0123456789ABCDEF", 16), FileError);
}

TEST(SignedListLog, LinesSayKeyTimeAndEveryCheck) {
    test::RecordingRunLog log;
    logSignedListRefused(SignedListError(SignedListFailure::Older, "mais antiga"));
    const Sha256Digest digest = sha256("abc");
    const Sha256Digest other = sha256("abd");
    logDownloadChecksum("app.exe", digest, &digest);
    logDownloadChecksum("app.exe", digest, &other);
    logEntryNotListed("meu arquivo.exe");
    logAcceptedStampSaved(1796964131);
    logAcceptedStampSaved(1796964131, "Disco cheio");
    ASSERT_EQ(log.lines.size(), 6u);
    const auto text = [&](std::size_t i) { return log.lines[i].substr(24); };
    EXPECT_EQ(text(0), "signed-list result=failed check=older error=\"mais antiga\"");
    EXPECT_EQ(text(1), "checksum name=app.exe sha256=" + hexDigest(digest) + " result=ok");
    EXPECT_EQ(text(2), "checksum name=app.exe sha256=" + hexDigest(digest) +
                           " expected=" + hexDigest(other) + " result=mismatch");
    EXPECT_EQ(text(3), "checksum name=\"meu arquivo.exe\" result=not-listed");
    EXPECT_EQ(text(4), "signed-list stamp=1796964131 file=atualiza.carimbo result=saved");
    EXPECT_EQ(text(5),
              "signed-list stamp=1796964131 file=atualiza.carimbo result=failed error=\"Disco cheio\"");
}

}  // namespace
}  // namespace velm
