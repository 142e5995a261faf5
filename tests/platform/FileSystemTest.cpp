// The file system's Windows semantics on real files, run on every OS (under
// Wine for the Windows implementation).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

#include <algorithm>
#include <filesystem>
#include <iterator>

#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "support/FileBytes.h"
#include "support/TempFolder.h"

namespace velm {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

using test::readFileBytes;
using test::writeFileBytes;

// Runs `action`, which must raise FileError naming `name` with the system's
// text for `code`.
template <class Action>
void expectFileError(Action action, const std::string& name, unsigned long code) {
    try {
        action();
        ADD_FAILURE() << "no FileError for " << name;
    } catch (const FileError& e) {
        EXPECT_THAT(e.what(), HasSubstr("\"" + name + "\""));
        EXPECT_THAT(e.what(), HasSubstr(systemErrorMessage(code)));
    }
}

DateTime at(int year, int month, int day, int hour, int minute, int second, int ms = 0) {
    return encodeDateTime({year, month, day, hour, minute, second, ms});
}

class FileSystemTest : public ::testing::Test {
protected:
    FileSystem& files = fileSystem();
    TempFolder dir;
};

TEST_F(FileSystemTest, LooksUpEveryComponentCaseInsensitivelyAndAFolderIsNotAFile) {
    fs::create_directory(dir.path() / "WinRAR");
    writeFileBytes(dir.path() / "WinRAR" / "WinRAR.exe", "MZ");

    EXPECT_TRUE(files.fileExists(dir.name() + "\\winrar\\winrar.exe"));
    EXPECT_TRUE(files.fileExists(dir.name() + "/WINRAR/WinRar.EXE"));
    EXPECT_TRUE(files.directoryExists(dir.name() + "\\winrar"));
    EXPECT_TRUE(files.directoryExists(dir.name() + "\\winrar\\"));
    EXPECT_EQ(files.fileSize(dir.name() + "\\WINRAR\\winrar.exe"), 2);

    EXPECT_FALSE(files.fileExists(dir.name() + "\\winrar"));
    EXPECT_FALSE(files.directoryExists(dir.name() + "\\winrar\\winrar.exe"));
    EXPECT_FALSE(files.fileExists(dir.name() + "\\winrar\\rar.exe"));
    EXPECT_FALSE(files.fileExists(dir.name() + "\\missing\\winrar.exe"));
    EXPECT_FALSE(files.directoryExists(dir.name() + "\\missing"));
}

TEST_F(FileSystemTest, AccentedLettersCompareCaseInsensitivelyInTheAnsiCodePage) {
    files.writeTextLines(dir / "A\xE7\xE3o.txt", {"x"});  // "Ação.txt"
    EXPECT_TRUE(fs::exists(dir.path() / fs::path(u8"Ação.txt")));
    EXPECT_TRUE(files.fileExists(dir / "A\xC7\xC3O.TXT"));  // "AÇÃO.TXT"
    EXPECT_THAT(files.findFiles(dir / "*\xC7*"), ElementsAre("A\xE7\xE3o.txt"));
}

TEST_F(FileSystemTest, NewNamesAreCreatedAsGivenInsideExistingFoldersFoundCaseInsensitively) {
    fs::create_directory(dir.path() / "Data");
    files.writeTextLines(dir.name() + "\\DATA\\NewFile.Txt", {"x"});
    EXPECT_TRUE(fs::is_regular_file(dir.path() / "Data" / "NewFile.Txt"));

    // Writing again under another case replaces that same file.
    files.writeTextLines(dir.name() + "\\data\\NEWFILE.TXT", {"y"});
    EXPECT_EQ(readFileBytes(dir.path() / "Data" / "NewFile.Txt"), "y\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path() / "Data"), fs::directory_iterator()),
              1);
}

TEST_F(FileSystemTest, FindsEveryAttributeWithWindowsWildcards) {
    fs::create_directory(dir.path() / "SCRIPT_ERRO");
    writeFileBytes(dir.path() / "SCRIPT_ERRO_DT_01.TXT", "a");
    writeFileBytes(dir.path() / "script_erro_dt_02.txt", "b");
    writeFileBytes(dir.path() / "SCRIPT_ERRO_NOEXT", "c");
    writeFileBytes(dir.path() / ".hidden", "d");
    writeFileBytes(dir.path() / "other.txt", "e");
    fs::permissions(dir.path() / "SCRIPT_ERRO_NOEXT",
                    fs::perms::owner_read | fs::perms::group_read);

    EXPECT_THAT(files.findFiles(dir.name() + "\\SCRIPT_ERRO*.*"),
                UnorderedElementsAre("SCRIPT_ERRO", "SCRIPT_ERRO_DT_01.TXT",
                                     "script_erro_dt_02.txt", "SCRIPT_ERRO_NOEXT"));
    EXPECT_THAT(files.findFiles(dir / "?THER.txt"), ElementsAre("other.txt"));
    EXPECT_THAT(
        files.findFiles(dir / "*.TXT"),
        UnorderedElementsAre("SCRIPT_ERRO_DT_01.TXT", "script_erro_dt_02.txt", "other.txt"));
    // "." and ".." come too; callers skip names that begin with a dot.
    EXPECT_THAT(files.findFiles(dir / "*"),
                UnorderedElementsAre(".", "..", ".hidden", "SCRIPT_ERRO", "SCRIPT_ERRO_DT_01.TXT",
                                     "script_erro_dt_02.txt", "SCRIPT_ERRO_NOEXT", "other.txt"));

    EXPECT_THAT(files.findFiles(dir / "nothing*.*"), IsEmpty());
    EXPECT_THAT(files.findFiles(dir.name() + "\\missing\\*.*"), IsEmpty());
}

TEST_F(FileSystemTest, RelativeNamesStartAtTheCurrentFolder) {
    TempFolder work(TempFolder::Enter::Yes);
    writeFileBytes(work.path() / "SCRIPT_ERRO_X.TXT", "a");
    EXPECT_THAT(files.findFiles("SCRIPT_ERRO*.*"), ElementsAre("SCRIPT_ERRO_X.TXT"));
    EXPECT_TRUE(files.fileExists("script_erro_x.txt"));
    EXPECT_TRUE(files.fileExists(".\\script_erro_x.txt"));
    files.writeTextLines("new.txt", {"n"});
    EXPECT_EQ(readFileBytes(work.path() / "new.txt"), "n\r\n");
}

TEST_F(FileSystemTest, TextFilesAreAnsiWithCrLfAndLinesSplitAtAnyBreak) {
    const std::string name = dir / "lines.txt";
    files.writeTextLines(name, {"first", "segunda linha \xE9 \x80", ""});
    EXPECT_EQ(readFileBytes(dir.path() / "lines.txt"), "first\r\nsegunda linha \xE9 \x80\r\n\r\n");
    EXPECT_THAT(files.readTextLines(name), ElementsAre("first", "segunda linha \xE9 \x80", ""));

    writeFileBytes(dir.path() / "mixed.txt", "dos\r\nunix\nmac\rlast");
    EXPECT_THAT(files.readTextLines(dir / "mixed.txt"), ElementsAre("dos", "unix", "mac", "last"));

    files.writeTextLines(name, {});
    EXPECT_EQ(readFileBytes(dir.path() / "lines.txt"), "");
    EXPECT_THAT(files.readTextLines(name), IsEmpty());
}

TEST_F(FileSystemTest, ReadingAMissingFileOrAFolderFailsNamingIt) {
    const std::string missing = dir / "missing.txt";
    expectFileError([&] { files.readTextLines(missing); }, missing, 2);
    const std::string inMissingFolder = dir.name() + "\\nofolder\\x.txt";
    expectFileError([&] { files.openForReading(inMissingFolder); }, inMissingFolder, 3);

    fs::create_directory(dir.path() / "folder");
    const std::string folder = dir / "folder";
    EXPECT_THROW(files.readTextLines(folder), FileError);
    EXPECT_THROW(files.fileSize(folder), FileError);
    expectFileError([&] { files.fileSize(missing); }, missing, 2);
}

TEST_F(FileSystemTest, WritingIntoAMissingFolderFailsAndCreatesNothing) {
    const std::string name = dir.name() + "\\nofolder\\x.txt";
    expectFileError([&] { files.writeTextLines(name, {"x"}); }, name, 3);
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST_F(FileSystemTest, NamesWithCharactersWindowsRefusesFailAndChangeNothing) {
    for (const std::string bad :
         {"a<b.txt", "a>b.txt", "a|b.txt", "a\"b.txt", "a?b.txt", "a*b.txt", "tab\there.txt"}) {
        const std::string name = dir / bad;
        EXPECT_THROW(files.writeTextLines(name, {"x"}), FileError) << bad;
        EXPECT_THROW(files.createFile(name), FileError) << bad;
        EXPECT_FALSE(files.fileExists(name)) << bad;
        EXPECT_FALSE(files.deleteFile(name)) << bad;
    }
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST_F(FileSystemTest, StreamsWriteAndReadBackEveryByte) {
    std::string data;
    for (int i = 0; i < 200000; ++i) data += static_cast<char>(i * 7);
    const std::string name = dir / "data.bin";
    auto out = files.createFile(name);
    out->write(data.data(), 1000);
    out->write(data.data() + 1000, data.size() - 1000);
    out->close();
    EXPECT_EQ(files.fileSize(name), static_cast<long long>(data.size()));

    auto in = files.openForReading(name);
    std::string back;
    char buffer[7777];
    while (const std::size_t n = in->read(buffer, sizeof buffer)) back.append(buffer, n);
    EXPECT_EQ(back, data);
}

TEST_F(FileSystemTest, ModificationTimesAreStoredAtTwoSecondResolutionFrom1980To2107) {
    // A time outside the years is stored as the nearest inside, so that a
    // listed "Jan 01 1970" has a stamp the change test finds equal.
    const std::string name = dir / "stamp.txt";
    files.writeTextLines(name, {"x"});
    struct Case {
        DateTime set, expected;
    };
    const Case cases[] = {
        {at(2023, 5, 6, 10, 20, 31, 700), at(2023, 5, 6, 10, 20, 30)},
        {at(2023, 12, 31, 23, 59, 59, 999), at(2023, 12, 31, 23, 59, 58)},
        {at(2001, 1, 15, 8, 0, 44), at(2001, 1, 15, 8, 0, 44)},
        {at(1980, 1, 1, 0, 0, 1), at(1980, 1, 1, 0, 0, 0)},
        {at(2107, 12, 31, 23, 59, 59), at(2107, 12, 31, 23, 59, 58)},
        {at(1979, 12, 31, 23, 59, 59), at(1980, 1, 1, 0, 0, 0)},
        {at(1970, 1, 1, 0, 0, 0), at(1980, 1, 1, 0, 0, 0)},
        {DateTime{0.0}, at(1980, 1, 1, 0, 0, 0)},
        {DateTime{-1e300}, at(1980, 1, 1, 0, 0, 0)},
        {at(2108, 1, 1, 0, 0, 0), at(2107, 12, 31, 23, 59, 58)},
        {DateTime{1e300}, at(2107, 12, 31, 23, 59, 58)},
    };
    for (const auto& c : cases) {
        files.setModificationTime(name, c.set);
        EXPECT_EQ(decodeDateTime(files.modificationTime(name)), decodeDateTime(c.expected));
    }

    files.setModificationTime(name, at(2020, 2, 29, 12, 0, 0));
    EXPECT_THROW(files.setModificationTime(name, DateTime{std::nan("")}), FileError);
    EXPECT_EQ(decodeDateTime(files.modificationTime(name)),
              decodeDateTime(at(2020, 2, 29, 12, 0, 0)));
    const std::string missing = dir / "missing.txt";
    expectFileError([&] { files.setModificationTime(missing, at(2020, 1, 1, 0, 0, 0)); }, missing,
                    2);
    expectFileError([&] { files.modificationTime(missing); }, missing, 2);
    EXPECT_FALSE(files.fileExists(missing));
}

TEST_F(FileSystemTest, DeleteReportsFailureWithFalse) {
    const std::string name = dir / "gone.txt";
    files.writeTextLines(name, {"x"});
    EXPECT_TRUE(files.deleteFile(dir / "GONE.TXT"));
    EXPECT_FALSE(fs::exists(dir.path() / "gone.txt"));
    EXPECT_FALSE(files.deleteFile(name));

    fs::create_directory(dir.path() / "folder");
    EXPECT_FALSE(files.deleteFile(dir / "folder"));
    EXPECT_TRUE(fs::is_directory(dir.path() / "folder"));
}

TEST_F(FileSystemTest, CopyKeepsContentAndTimeButNeverOverwrites) {
    const std::string from = dir / "App.exe";
    writeFileBytes(dir.path() / "App.exe", std::string("MZ\0\x01\xFF", 5));
    files.setModificationTime(from, at(2022, 3, 4, 5, 6, 8));

    EXPECT_TRUE(files.copyFile(from, dir / "App.old"));
    EXPECT_EQ(readFileBytes(dir.path() / "App.old"), std::string("MZ\0\x01\xFF", 5));
    EXPECT_EQ(files.modificationTime(dir / "App.old"), at(2022, 3, 4, 5, 6, 8));

    writeFileBytes(dir.path() / "Target.old", "keep");
    EXPECT_FALSE(files.copyFile(from, dir / "Target.old"));
    EXPECT_FALSE(files.copyFile(from, dir / "TARGET.OLD"));
    EXPECT_EQ(readFileBytes(dir.path() / "Target.old"), "keep");

    EXPECT_FALSE(files.copyFile(dir / "missing.exe", dir / "new.old"));
    EXPECT_FALSE(fs::exists(dir.path() / "new.old"));
    EXPECT_FALSE(files.copyFile(from, dir.name() + "\\nofolder\\App.old"));
}

TEST_F(FileSystemTest, ReplaceRenamesOverAnExistingTarget) {
    writeFileBytes(dir.path() / "new.tmp", "new");
    writeFileBytes(dir.path() / "Settings.cfg", "old");
    files.replaceFile(dir / "NEW.TMP", dir / "settings.cfg");
    EXPECT_FALSE(fs::exists(dir.path() / "new.tmp"));
    EXPECT_EQ(readFileBytes(dir.path() / "Settings.cfg"), "new");

    files.replaceFile(dir / "Settings.cfg", dir / "fresh.cfg");
    EXPECT_EQ(readFileBytes(dir.path() / "fresh.cfg"), "new");

    const std::string missing = dir / "missing.tmp";
    expectFileError([&] { files.replaceFile(missing, dir / "fresh.cfg"); }, missing, 2);
    EXPECT_EQ(readFileBytes(dir.path() / "fresh.cfg"), "new");
}

TEST_F(FileSystemTest, TemporaryFilesAreNewEmptyAndUnique) {
    const std::string first = files.createTemporaryFile(dir.name(), "vu");
    const std::string second = files.createTemporaryFile(dir.name(), "vu");
    EXPECT_NE(first, second);
    for (const auto& name : {first, second}) {
        EXPECT_TRUE(files.fileExists(name)) << name;
        EXPECT_EQ(files.fileSize(name), 0) << name;
        EXPECT_TRUE(files.fileExists(dir / extractFileName(name))) << name;
        EXPECT_EQ(extractFileName(name).substr(0, 2), "vu");
    }

    TempFolder work(TempFolder::Enter::Yes);
    const std::string here = files.createTemporaryFile("", "vu");
    EXPECT_EQ(extractFileName(here), here);
    EXPECT_TRUE(fs::exists(work.path() / here));

    EXPECT_THROW(files.createTemporaryFile(dir.name() + "\\missing", "vu"), FileError);
}

// The file a download writes: made and opened in one step where the system
// allows, and in every way the file createTemporaryFile makes.
TEST_F(FileSystemTest, AnOpenedTemporaryFileTakesTheWritesUnderItsName) {
    FileSystem::TemporaryFile first = files.openTemporaryFile(dir.name(), "~vu");
    FileSystem::TemporaryFile second = files.openTemporaryFile(dir.name(), "~vu");
    EXPECT_NE(first.name, second.name);
    EXPECT_TRUE(isTemporaryFileName(extractFileName(first.name), "~vu")) << first.name;
    EXPECT_EQ(extractFileDir(first.name), dir.name());
    first.file->write("baixado", 7);
    first.file->close();
    second.file.reset();
    EXPECT_EQ(readFileBytes(dir.path() / extractFileName(first.name)), "baixado");
    EXPECT_EQ(files.fileSize(second.name), 0);

    TempFolder work(TempFolder::Enter::Yes);
    const FileSystem::TemporaryFile here = files.openTemporaryFile("", "~vu");
    EXPECT_EQ(extractFileName(here.name), here.name);
    EXPECT_TRUE(fs::exists(work.path() / here.name));

    EXPECT_THROW(files.openTemporaryFile(dir.name() + "\\missing", "~vu"), FileError);
}

// What the program removes as left over from an interrupted run must be
// exactly what it makes.
TEST_F(FileSystemTest, TemporaryFileNamesAreRecognisedByTheirPrefix) {
    for (int i = 0; i < 20; ++i) {
        const std::string name = extractFileName(files.createTemporaryFile(dir.name(), "~vu"));
        EXPECT_TRUE(isTemporaryFileName(name, "~vu")) << name;
        EXPECT_FALSE(isTemporaryFileName(name, "~ab")) << name;
        EXPECT_FALSE(isTemporaryFileName("x" + name, "~vu")) << name;
        EXPECT_FALSE(isTemporaryFileName(name + ".bak", "~vu")) << name;
    }
    for (const char* name : {"~vu.tmp", "~vuRelatorio.tmp", "~vu12_456.tmp", "~vuXYZ.tmp", ""})
        EXPECT_FALSE(isTemporaryFileName(name, "~vu")) << name;
}

}  // namespace
}  // namespace velm
