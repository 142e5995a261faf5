// The Linux registry: the .reg file named by VELMUPDATE_REGISTRY.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "OsErrorCode.h"
#include "platform/Errors.h"
#include "platform/Registry.h"
#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"

namespace velm {
namespace {

using ::testing::HasSubstr;

class RegistryFileTest : public ::testing::Test {
protected:
    std::string write(const std::string& name, const std::string& content) {
        const auto path = dir.path() / name;
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }
    static unsigned long errorCode(const std::string& key, const std::string& value) {
        return test::osErrorCode(
            [&] { registry().readValue(RegistryRoot::LocalMachine, key, value); });
    }

    test::TempFolder dir;
    test::ScopedEnvironment registryFile{"VELMUPDATE_REGISTRY"};
};

const std::string kKey = "\\Software\\Microsoft\\Windows\\CurrentVersion";

TEST_F(RegistryFileTest, ReadsTheFileNamedByTheEnvironmentAndSeesItsChanges) {
    const std::string path =
        write("system.reg",
              "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\r\n"
              "\"ProgramFilesDir\"=\"C:\\\\Program Files (x86)\"\r\n");
    registryFile.set(path);
    EXPECT_EQ(registry().readValue(RegistryRoot::LocalMachine, kKey, "ProgramFilesDir"),
              RegistryValue("C:\\Program Files (x86)"));
    EXPECT_EQ(errorCode(kKey, "Missing"), 1012u);
    EXPECT_EQ(errorCode("\\Software\\Nothing", "ProgramFilesDir"), 2u);

    // A longer file: the change shows at the next read.
    write("system.reg",
          "REGEDIT4\r\n[HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\r\n"
          "\"ProgramFilesDir\"=\"/opt/velm/Program Files\"\r\n");
    EXPECT_EQ(registry().readValue(RegistryRoot::LocalMachine, kKey, "ProgramFilesDir"),
              RegistryValue("/opt/velm/Program Files"));
}

TEST_F(RegistryFileTest, WithoutTheVariableEveryKeyIsMissing) {
    registryFile.unset();
    EXPECT_EQ(errorCode(kKey, "ProgramFilesDir"), 2u);
}

TEST_F(RegistryFileTest, AMissingOrMalformedFileRaisesAClearError) {
    const std::string missing = (dir.path() / "missing.reg").string();
    registryFile.set(missing);
    try {
        registry().readValue(RegistryRoot::LocalMachine, kKey, "ProgramFilesDir");
        ADD_FAILURE() << "no error";
    } catch (const OsError&) {
        ADD_FAILURE() << "a missing file is not a missing key";
    } catch (const Error& e) {
        EXPECT_THAT(e.what(), HasSubstr(missing));
        EXPECT_THAT(e.what(), HasSubstr(systemErrorMessage(2)));
    }

    const std::string bad = write("bad.reg", "REGEDIT4\n[HKLM\\Software]\n\"A\"=wrong\n");
    registryFile.set(bad);
    try {
        registry().readValue(RegistryRoot::LocalMachine, "\\Software", "A");
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_THAT(e.what(), HasSubstr("\"" + bad + "\", line 3:"));
    }
}

}  // namespace
}  // namespace velm
