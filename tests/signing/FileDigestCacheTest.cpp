#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "platform/FileSystem.h"
#include "platform/Service.h"
#include "signing/FileDigestCache.h"
#include "support/DelegatingFileSystem.h"
#include "support/FileBytes.h"
#include "support/TempFolder.h"

namespace velm {
namespace {

namespace fs = std::filesystem;

// Counts the files the cache reads, so that a test sees when it hashed a
// file again and when it trusted what it remembered.
class CountingFileSystem : public test::DelegatingFileSystem {
public:
    std::unique_ptr<InputFile> openForReading(const std::string& name) override {
        if (extractFileName(name) != FileDigestCache::kFileName) ++reads;
        return test::DelegatingFileSystem::openForReading(name);
    }
    int reads = 0;
};

class FileDigestCacheTest : public ::testing::Test {
protected:
    void write(const char* name, const std::string& bytes) { test::writeFileBytes(name, bytes); }
    // What a run after this one finds: a cache read afresh from the folder.
    std::optional<Sha256Digest> nextRun(const char* name) {
        FileDigestCache cache;
        const std::optional<Sha256Digest> digest = cache.digestOf(name);
        cache.save();
        return digest;
    }

    test::TempFolder folder{test::TempFolder::Enter::Yes};
    CountingFileSystem files;
    ScopedService<FileSystem> useFiles{files};
};

// A file unchanged since the last run is not read again; its digest is the
// one remembered, and right.
TEST_F(FileDigestCacheTest, AnUnchangedFileIsHashedOnce) {
    write("a.exe", "programa");
    write("b.dll", "biblioteca");
    EXPECT_EQ(nextRun("a.exe"), sha256("programa"));
    EXPECT_EQ(files.reads, 1);
    for (int run = 0; run < 3; ++run) EXPECT_EQ(nextRun("a.exe"), sha256("programa"));
    EXPECT_EQ(files.reads, 1) << "taken from the cache";
    EXPECT_EQ(nextRun("sumiu.exe"), std::nullopt) << "no file, no digest";
}

// Whatever an ordinary program does to a file, its digest is taken anew:
// each row changes the file one way after its digest was remembered.
TEST_F(FileDigestCacheTest, EveryOrdinaryChangeIsSeen) {
    struct Row {
        const char* change;
        std::function<void()> apply;
        std::string bytes;  // the file's bytes afterwards
    };
    const auto keepingTime = [](const std::function<void()>& edit) {
        return [edit] {
            const fs::file_time_type time = fs::last_write_time("a.exe");
            edit();
            fs::last_write_time("a.exe", time);
        };
    };
    const Row rows[] = {
        {"rewritten, another size", [] { test::writeFileBytes("a.exe", "programa novo"); },
         "programa novo"},
        {"rewritten in place, same size, its time put back",
         keepingTime([] { test::writeFileBytes("a.exe", "PROGRAMA"); }), "PROGRAMA"},
        {"replaced by a copy of the same size and time", keepingTime([] {
             test::writeFileBytes("copia.tmp", "Programa");
             fs::rename("copia.tmp", "a.exe");
         }),
         "Programa"},
        {"removed", [] { fs::remove("a.exe"); }, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.change);
        write("a.exe", "programa");
        ASSERT_EQ(nextRun("a.exe"), sha256("programa"));
        // The change times of many systems tick coarser than a write takes.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        row.apply();
        const std::optional<Sha256Digest> now = nextRun("a.exe");
        if (row.bytes.empty())
            EXPECT_EQ(now, std::nullopt);
        else
            EXPECT_EQ(now, sha256(row.bytes));
    }
}

// A cache file that does not read whole (cut by a power cut, edited,
// another format) is not believed in any part: the files are read again,
// the answers are right, and the cache is written anew.
TEST_F(FileDigestCacheTest, ADamagedCacheIsIgnoredAndMadeAnew) {
    write("a.exe", "programa");
    ASSERT_EQ(nextRun("a.exe"), sha256("programa"));
    const std::string good = test::readFileBytes(FileDigestCache::kFileName);
    ASSERT_THAT(good, ::testing::StartsWith("VelmUpdate digests 1\r\n"));
    const std::string wrongDigest(64, '0');
    std::string lied = good;
    lied.replace(good.find("\r\n") + 2, 64, wrongDigest);
    const std::pair<const char*, std::string> damages[] = {
        {"cut short", good.substr(0, good.size() / 2)},
        {"empty", ""},
        {"a digest changed, the checksum not", lied},
        {"another format", "VelmUpdate digests 2" + good.substr(good.find("\r\n"))},
    };
    for (const auto& [damage, bytes] : damages) {
        SCOPED_TRACE(damage);
        test::writeFileBytes(FileDigestCache::kFileName, bytes);
        const int reads = files.reads;
        EXPECT_EQ(nextRun("a.exe"), sha256("programa"));
        EXPECT_EQ(files.reads, reads + 1) << "read again";
        EXPECT_EQ(nextRun("a.exe"), sha256("programa"));
        EXPECT_EQ(files.reads, reads + 1) << "then remembered again";
    }
}

// A digest learned from a download's bytes is remembered for the file as
// it lies in the folder; names no longer asked about leave the cache.
TEST_F(FileDigestCacheTest, RememberedDigestsAndDroppedNames) {
    write("novo.exe", "baixado");
    write("velho.exe", "antigo");
    {
        FileDigestCache cache;
        cache.remember("novo.exe", sha256("baixado"));
        ASSERT_EQ(cache.digestOf("velho.exe"), sha256("antigo"));
        cache.save();
    }
    EXPECT_EQ(files.reads, 1) << "only the one not remembered was read";
    EXPECT_THAT(test::readFileBytes(FileDigestCache::kFileName),
                ::testing::HasSubstr(" velho.exe\r\n"));
    EXPECT_EQ(nextRun("novo.exe"), sha256("baixado"));
    EXPECT_EQ(files.reads, 1);
    EXPECT_THAT(test::readFileBytes(FileDigestCache::kFileName),
                ::testing::Not(::testing::HasSubstr("velho.exe")));
}

}  // namespace
}  // namespace velm
