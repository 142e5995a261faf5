#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/AsciiText.h"
#include "platform/FileSystem.h"
#include "support/FakeRegistry.h"
#include "support/TempFolder.h"
#include "windows/ProgramFiles.h"

namespace velm {
namespace {

namespace fs = std::filesystem;

// The archiver's folder follows the registry value, or the text before
// "(X86)" in it, whichever has "\winrar\winrar.exe" beneath it.
TEST(ProgramFiles, FindsTheArchiverBeneathTheRegistryFolderOrItsX86Base) {
    test::TempFolder folder{test::TempFolder::Enter::Yes};
    const std::string root = folder.name();
    struct Case {
        const char* registryFolder;  // relative to the temporary folder
        const char* archiverAt;      // where WinRAR.exe lies, or nullptr
        const char* expected;
    };
    const Case cases[] = {
        {"Program Files (x86)", "Program Files (x86)/WinRAR/WinRAR.exe", "Program Files (x86)"},
        {"Program Files (x86)", "Program Files/winrar/winrar.exe", "Program Files"},
        {"Program Files (X86)", "Program Files/WINRAR/WinRar.EXE", "Program Files"},
        {"Program Files  \t(x86)", "Program Files/winrar/winrar.exe", "Program Files"},
        {"Program Files (x86)", nullptr, "Program Files (x86)"},
        {"Programas", "Program Files/winrar/winrar.exe", "Programas"},
        // A folder where the archiver should lie is not the archiver.
        {"Program Files (x86)", "Program Files/winrar", "Program Files (x86)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.registryFolder);
        for (const auto& entry : fs::directory_iterator(".")) fs::remove_all(entry.path());
        if (c.archiverAt) {
            fs::create_directories(fs::path(c.archiverAt).parent_path());
            if (fs::path(c.archiverAt).extension().empty())
                fs::create_directories(c.archiverAt);
            else
                std::ofstream(c.archiverAt) << "MZ";
        }
        test::FakeRegistry registry;
        registry.set(test::kCurrentVersionKey, "ProgramFilesDir", root + "/" + c.registryFolder);
        ScopedService<Registry> useRegistry(registry);
        const std::string expected = root + "/" + c.expected;
        EXPECT_EQ(programFilesFolder(), expected);
    }
}

TEST(ProgramFiles, RegistryErrorsPassOn) {
    test::FakeRegistry registry;  // no value at all
    ScopedService<Registry> useRegistry(registry);
    try {
        programFilesFolder();
        FAIL() << "expected an error";
    } catch (const OsError& e) {
        EXPECT_EQ(e.code(), 1012u);
    }
}

// The text before "(X86)" loses blanks and control characters at both ends.
TEST(ProgramFiles, TrimmedBaseAndRegistryText) {
    EXPECT_EQ(trimmed(" \t\r\nC:\\Program Files \x01"), "C:\\Program Files");
    EXPECT_EQ(trimmed("   "), "");
    EXPECT_EQ(registryText(RegistryValue{std::string("C:\\x")}), "C:\\x");
    EXPECT_EQ(registryText(RegistryValue{std::int32_t{-5}}), "-5");
}

}  // namespace
}  // namespace velm
