#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>

#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/ReplacementFile.h"
#include "support/FaultyFileSystems.h"
#include "support/FileBytes.h"
#include "support/TempFolder.h"
#include "sync/CommitJournal.h"

namespace velm {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::UnorderedElementsAreArray;

std::vector<std::string> entries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    return names;
}

class ReplacementFileTest : public ::testing::Test {
protected:
    ReplacementFileTest() { test::writeFileBytes(folder.path() / "App.exe", "old"); }

    // The message a FileError raised by `action` carries.
    template <class Action>
    std::string fileErrorText(Action action) {
        try {
            action();
        } catch (const FileError& e) {
            return e.what();
        }
        return "(no FileError)";
    }

    test::TempFolder folder;
    const std::string destination = folder / "app.exe";  // found without regard to case
};

TEST_F(ReplacementFileTest, TakesThePlaceOfTheFileOnlyOnceWhole) {
    {
        ReplacementFile file(destination);
        file.write("ne", 2);
        file.stream() << "w contents";
        EXPECT_EQ(file.size(), 12);
        const auto during = entries(folder.path());
        ASSERT_EQ(during.size(), 2u) << "one temporary file beside the destination";
        const std::string temporary = during[0] == "App.exe" ? during[1] : during[0];
        EXPECT_TRUE(isTemporaryFileName(temporary, ReplacementFile::kTemporaryPrefix)) << temporary;
        EXPECT_EQ(test::readFileBytes(folder.path() / "App.exe"), "old");
        file.replaceDestination();
    }
    EXPECT_THAT(entries(folder.path()), ElementsAre("App.exe"));
    EXPECT_EQ(test::readFileBytes(folder.path() / "App.exe"), "new contents");

    {
        ReplacementFile abandoned(destination);
        abandoned.write("half", 4);
    }
    EXPECT_THAT(entries(folder.path()), ElementsAre("App.exe")) << "the temporary file goes";
    EXPECT_EQ(test::readFileBytes(folder.path() / "App.exe"), "new contents");
}

TEST_F(ReplacementFileTest, ErrorsNameTheFileBeingReplaced) {
    const std::string fullDisk =
        "Cannot write file \"" + destination + "\". " + systemErrorMessage(112);
    {
        test::FullDiskFileSystem disk(40000);
        ScopedService<FileSystem> use{disk};
        ReplacementFile file(destination);
        file.write(std::string(30000, 'x').data(), 30000);
        EXPECT_EQ(fileErrorText([&] { file.write(std::string(30000, 'x').data(), 30000); }),
                  fullDisk);
        EXPECT_EQ(
            fileErrorText([&] { file.stream().write(std::string(30000, 'x').data(), 30000); }),
            fullDisk)
            << "through the stream too";
    }
    EXPECT_THAT(entries(folder.path()), ElementsAre("App.exe"));
    EXPECT_EQ(test::readFileBytes(folder.path() / "App.exe"), "old");

    // The destination cannot be replaced: a folder holds its name.
    const std::string blocked = folder / "Blocked";
    fs::create_directory(blocked);
    test::writeFileBytes(fs::path(blocked) / "inside", "x");
    ReplacementFile file(blocked);
    file.write("new", 3);
    const std::string text = fileErrorText([&] { file.replaceDestination(); });
    EXPECT_THAT(text, ::testing::StartsWith("Cannot write file \"" + blocked + "\". "));
    EXPECT_THAT(text, ::testing::Not(::testing::HasSubstr(ReplacementFile::kTemporaryPrefix)));

    EXPECT_THAT(fileErrorText([] { ReplacementFile missing("/no/such/folder/app.exe"); }),
                ::testing::StartsWith("Cannot write file \"/no/such/folder/app.exe\". "));
}

// Only files of the program's own temporary pattern go; the user's files with
// look-alike names, folders and files another copy holds open stay.
TEST_F(ReplacementFileTest, LeftoversOfInterruptedRunsAreRemovedAndNothingElse) {
    FileSystem& files = fileSystem();
    for (const char* prefix :
         {ReplacementFile::kTemporaryPrefix, ReplacementFile::kOlderTemporaryPrefix,
          ReplacementFile::kTemporaryPrefix})
        test::writeFileBytes(files.createTemporaryFile(folder.name(), prefix), "partial");
    const std::string held = extractFileName(
        files.createTemporaryFile(folder.name(), ReplacementFile::kTemporaryPrefix));
    const char* const theUsers[] = {"~vu.tmp",          "~vuRelatorio.tmp", "~vu123456.tmp.bak",
                                    "meu~vu123456.tmp", "~vu12_456.tmp",    "~vuAbC12x.txt",
                                    "~vuXYZ.tmp",       "~ftp.tmp",         "~ftpRelatorio.tmp"};
    for (const char* name : theUsers) test::writeFileBytes(folder.path() / name, "mine");
    fs::create_directory(folder.path() / "~vuAbC123.tmp");

    test::RecordingFileSystem recording;
    recording.inUse = {held};
    ScopedService<FileSystem> use{recording};
    removeLeftovers(folder.name());

    std::vector<std::string> expected(std::begin(theUsers), std::end(theUsers));
    expected.insert(expected.end(), {"App.exe", "~vuAbC123.tmp", held});
    EXPECT_THAT(entries(folder.path()), UnorderedElementsAreArray(expected));
    for (const char* name : theUsers) EXPECT_EQ(test::readFileBytes(folder.path() / name), "mine");

    // A folder that cannot be searched is no error.
    removeLeftovers(folder / "missing");
}

}  // namespace
}  // namespace velm
