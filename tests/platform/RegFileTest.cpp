// The .reg export reader behind the Linux registry: both formats, every value
// type, deletions, and malformed files named by line.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "OsErrorCode.h"
#include "platform/Errors.h"
#include "platform/RegFile.h"

namespace velm {
namespace {

using ::testing::HasSubstr;

// UTF-16LE with a byte-order mark, from UTF-8 text of the Basic Multilingual Plane.
std::string utf16le(const std::string& utf8) {
    std::string out = "\xFF\xFE";
    for (std::size_t i = 0; i < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        char32_t c;
        if (b < 0x80) {
            c = b;
            i += 1;
        } else if (b < 0xE0) {
            c = ((b & 0x1F) << 6) | (utf8[i + 1] & 0x3F);
            i += 2;
        } else {
            c = ((b & 0x0F) << 12) | ((utf8[i + 1] & 0x3F) << 6) | (utf8[i + 2] & 0x3F);
            i += 3;
        }
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
    return out;
}

unsigned long errorCode(const RegFile& file, RegistryRoot root, const std::string& key,
                        const std::string& name) {
    return test::osErrorCode([&] { file.read(root, key, name); });
}

constexpr auto HKLM = RegistryRoot::LocalMachine;
constexpr auto HKCU = RegistryRoot::CurrentUser;
const std::string kCurrentVersion = "\\Software\\Microsoft\\Windows\\CurrentVersion";

TEST(RegFileTest, ReadsEveryValueTypeOfARegedit4File) {
    const RegFile file = RegFile::parse(
        "REGEDIT4\r\n"
        "\r\n"
        "; the programs folder\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\r\n"
        "\"ProgramFilesDir\"=\"C:\\\\Arquivos de programas\"\r\n"
        "\"Quoted\"=\"say \\\"hi\\\" \xE7\"\r\n"
        "@=\"default\"\r\n"
        "\"Count\"=dword:0000001f\r\n"
        "\"Minus\"=dword:FFFFFFFF\r\n"
        "\"Blob\"=hex:00,ff,41,\\\r\n"
        "  42\r\n"
        "\"Empty\"=hex:\r\n"
        "\"Path\"=hex(2):25,57,49,4e,44,49,52,25,00\r\n"
        "\"Multi\"=hex(7):61,00,00\r\n"
        "\"Quad\"=hex(b):01,00,00,00,00,00,00,00\r\n"
        "\"Dword4\"=hex(4):10,27,00,00\r\n"
        "\"Short4\"=hex(4):10,27\r\n"
        "\"Sz\"=hex(1):41,42,00\r\n"
        "[HKCU\\Software\\Velm]\n"
        "\"Name\" = \"value\"\n",
        "test.reg");

    EXPECT_EQ(file.read(HKLM, kCurrentVersion, "ProgramFilesDir"),
              RegistryValue("C:\\Arquivos de programas"));
    EXPECT_EQ(file.read(HKLM, "software\\MICROSOFT\\windows\\currentversion\\", "programfilesdir"),
              RegistryValue("C:\\Arquivos de programas"));
    EXPECT_EQ(file.read(HKLM, kCurrentVersion, "Quoted"), RegistryValue("say \"hi\" \xE7"));
    EXPECT_EQ(file.read(HKLM, kCurrentVersion, ""), RegistryValue("default"));
    EXPECT_EQ(file.read(HKLM, kCurrentVersion, "Count"), RegistryValue(std::int32_t{31}));
    EXPECT_EQ(file.read(HKLM, kCurrentVersion, "Minus"), RegistryValue(std::int32_t{-1}));
    EXPECT_EQ(file.read(HKLM, kCurrentVersion, "Blob"), RegistryValue(std::string("\0\xFF"
                                                                                  "AB",
                                                                                  4)));
    EXPECT_EQ(file.read(HKLM, kCurrentVersion, "Empty"), RegistryValue(std::string()));
    EXPECT_EQ(file.read(HKLM, kCurrentVersion, "Path"), RegistryValue("%WINDIR%"));
    EXPECT_EQ(file.read(HKLM, kCurrentVersion, "Dword4"), RegistryValue(std::int32_t{10000}));
    EXPECT_EQ(file.read(HKLM, kCurrentVersion, "Sz"), RegistryValue("AB"));
    EXPECT_EQ(file.read(HKCU, "Software\\Velm", "name"), RegistryValue("value"));

    EXPECT_EQ(errorCode(file, HKLM, kCurrentVersion, "Multi"), 1012u);
    EXPECT_EQ(errorCode(file, HKLM, kCurrentVersion, "Quad"), 1012u);
    EXPECT_EQ(errorCode(file, HKLM, kCurrentVersion, "Short4"), 1012u);
    EXPECT_EQ(errorCode(file, HKLM, kCurrentVersion, "Missing"), 1012u);
    // Keys on the way to a section exist, without values.
    EXPECT_EQ(errorCode(file, HKLM, "\\Software\\Microsoft", "ProgramFilesDir"), 1012u);
    EXPECT_EQ(errorCode(file, HKLM, "\\Software\\Other", "x"), 2u);
    EXPECT_EQ(errorCode(file, HKCU, kCurrentVersion, "ProgramFilesDir"), 2u);
}

TEST(RegFileTest, ReadsUtf16Version5FilesIntoAnsi) {
    const RegFile file =
        RegFile::parse(utf16le("Windows Registry Editor Version 5.00\r\n"
                               "\r\n"
                               "[HKEY_LOCAL_MACHINE\\Software\\Velm]\r\n"
                               "\"Pasta\"=\"C:\\\\Aplica\u00E7\u00E3o \u20AC\"\r\n"
                               "\"Expand\"=hex(2):25,00,50,00,46,00,25,00,e7,00,00,00\r\n"
                               "\"Foreign\"=\"\u65E5\"\r\n"),
                       "v5.reg");
    EXPECT_EQ(file.read(HKLM, "Software\\Velm", "Pasta"),
              RegistryValue("C:\\Aplica\xE7\xE3o \x80"));
    EXPECT_EQ(file.read(HKLM, "Software\\Velm", "Expand"), RegistryValue("%PF%\xE7"));
    EXPECT_THROW(file.read(HKLM, "Software\\Velm", "Foreign"), Error);
}

TEST(RegFileTest, ReadsUtf8FilesWithAByteOrderMark) {
    const RegFile file = RegFile::parse(
        "\xEF\xBB\xBFREGEDIT4\n[HKLM\\Software\\Velm]\n\"A\"=\"\u00E7\u20AC\"\n", "utf8.reg");
    EXPECT_EQ(file.read(HKLM, "Software\\Velm", "A"), RegistryValue("\xE7\x80"));
}

TEST(RegFileTest, DeletionsRemoveKeysWithTheirSubkeysAndSingleValues) {
    const RegFile file = RegFile::parse(
        "REGEDIT4\n"
        "[HKLM\\Software\\Velm]\n\"A\"=\"1\"\n\"B\"=\"2\"\n"
        "[HKLM\\Software\\Velm\\Sub]\n\"C\"=\"3\"\n"
        "[HKLM\\Software\\Velmx]\n\"D\"=\"4\"\n"
        "[HKLM\\Software\\Keep]\n\"E\"=\"5\"\n"
        "[-HKLM\\Software\\velm]\n\"Ignored\"=\"x\"\n"
        "[HKLM\\Software\\Keep]\n\"E\"=-\n\"F\"=\"6\"\n",
        "del.reg");
    EXPECT_EQ(errorCode(file, HKLM, "Software\\Velm", "A"), 2u);
    EXPECT_EQ(errorCode(file, HKLM, "Software\\Velm\\Sub", "C"), 2u);
    EXPECT_EQ(file.read(HKLM, "Software\\Velmx", "D"), RegistryValue("4"));
    EXPECT_EQ(errorCode(file, HKLM, "Software\\Keep", "E"), 1012u);
    EXPECT_EQ(file.read(HKLM, "Software\\Keep", "F"), RegistryValue("6"));
}

TEST(RegFileTest, MalformedFilesRaiseAnErrorNamingTheFileAndLine) {
    struct Case {
        std::string content;
        int line;
    };
    const Case cases[] = {
        {"", 1},
        {"REGEDIT5\n[HKLM\\A]\n", 1},
        {"\n\nnot a header\n", 3},
        {"REGEDIT4\n\"A\"=\"before any key\"\n", 2},
        {"REGEDIT4\n[HKLM\\A\n", 2},
        {"REGEDIT4\n[HKEY_NOWHERE\\A]\n", 2},
        {"REGEDIT4\n[HKLM\\A]\n\"A\"=\"unterminated\n", 3},
        {"REGEDIT4\n[HKLM\\A]\n\"A\"=\"C:\\Program Files\"\n", 3},
        {"REGEDIT4\n[HKLM\\A]\n\"A\"=\"x\" trailing\n", 3},
        {"REGEDIT4\n[HKLM\\A]\n\"A\" \"no equals\"\n", 3},
        {"REGEDIT4\n[HKLM\\A]\n\"A\"=dword:123456789\n", 3},
        {"REGEDIT4\n[HKLM\\A]\n\"A\"=dword:xyz\n", 3},
        {"REGEDIT4\n[HKLM\\A]\n; fine\n\n\"A\"=hex:00,\\\n  zz\n", 5},
        {"REGEDIT4\n[HKLM\\A]\n\"A\"=hex(q):00\n", 3},
        {"REGEDIT4\n[HKLM\\A]\n\"A\"=str:00\n", 3},
        {"REGEDIT4\n[HKLM\\A]\njunk\n", 3},
        {"\xFF\xFE\x00\xD8", 1},  // UTF-16 with an unpaired surrogate
    };
    for (const auto& c : cases) {
        try {
            RegFile::parse(c.content, "/etc/velm/bad.reg");
            ADD_FAILURE() << "accepted: " << c.content;
        } catch (const Error& e) {
            EXPECT_THAT(e.what(),
                        HasSubstr("\"/etc/velm/bad.reg\", line " + std::to_string(c.line) + ":"))
                << c.content;
        }
    }
}

}  // namespace
}  // namespace velm
