#include <gtest/gtest.h>

#include <string>

#include "platform/AnsiCodePage.h"
#include "platform/Errors.h"
#include "sync/LocalNames.h"

namespace velm {
namespace {

// Every rule of the name check, row by row: the names a listing (or a
// journal) may hold, with Windows' rules on every system.
TEST(LocalNamesTest, TheFoldersRulesAreWindowsRules) {
    struct Row {
        std::string name;
        NameFault fault;
        const char* reason;
    };
    const Row rows[] = {
        {"App_Vezra_Config.exe", NameFault::None, "a plain name"},
        {"meu arquivo.txt", NameFault::None, "blanks inside are fine"},
        {"relat\xF3rio.txt", NameFault::None, "a Windows-1252 letter"},
        {"atualiza.cfg", NameFault::None, "the maker may move its server"},
        {"Sys_Info.INI", NameFault::None, "the product's settings"},
        {"..", NameFault::NotInFolder, "the parent folder"},
        {".", NameFault::NotInFolder, "the folder itself"},
        {"", NameFault::NotInFolder, "no name"},
        {"../etc/passwd", NameFault::NotInFolder, "a relative path upwards"},
        {"..\\Sys_Info.INI", NameFault::NotInFolder, "the other separator"},
        {"/etc/passwd", NameFault::NotInFolder, "an absolute name"},
        {"sub/a.exe", NameFault::NotInFolder, "any separator"},
        {"C:evil.exe", NameFault::NotInFolder, "a drive"},
        {"a.exe:stream", NameFault::NotInFolder, "a colon"},
        {"a?.exe", NameFault::NotInFolder, "a character the target refuses"},
        {"a\x01.exe", NameFault::NotInFolder, "a control character"},
        {"a.exe.", NameFault::EndsInDotOrBlank, "Windows drops the dot: a.exe"},
        {"a.exe ", NameFault::EndsInDotOrBlank, "Windows drops the blank: a.exe"},
        {"a.exe. .", NameFault::EndsInDotOrBlank, "dots and blanks mixed"},
        {std::string(255, 'n'), NameFault::None, "the longest name"},
        {std::string(256, 'n'), NameFault::TooLong, "one byte more"},
        {std::string(300, 'n'), NameFault::TooLong, "the name that failed as in use"},
        {"CON", NameFault::Device, "a device"},
        {"nul.txt", NameFault::Device, "a device with an extension, in any case"},
        {"CON .txt", NameFault::Device, "a blank before the dot"},
        {" AUX.log", NameFault::Device, "a blank before the name"},
        {"PRN.a.b", NameFault::Device, "the stem ends at the first dot"},
        {"COM0", NameFault::Device, "COM0 too"},
        {"COM1.log", NameFault::Device, "a numbered device"},
        {"lpt9.txt", NameFault::Device, "the last of them"},
        {"LPT0", NameFault::Device, "LPT0 too"},
        {"COM\xB9", NameFault::Device, "superscript one"},
        {"lpt\xB2.txt", NameFault::Device, "superscript two"},
        {"COM\xB3", NameFault::Device, "superscript three"},
        {"CONIN$", NameFault::Device, "the console's input"},
        {"conout$.txt", NameFault::Device, "the console's output"},
        {"CLOCK$", NameFault::Device, "the clock"},
        {"COM10.log", NameFault::None, "not a device"},
        {"CONSOLE.exe", NameFault::None, "a name that begins like one"},
        {"COM\xB4", NameFault::None, "an acute accent is no digit"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.reason) + ": " + row.name);
        EXPECT_EQ(localNameFault(row.name), row.fault);
        EXPECT_EQ(isSafeLocalName(row.name), row.fault == NameFault::None);
    }
}

// The updater's own files, in any case and with the trailing dots and
// blanks Windows drops: never fetched.
TEST(LocalNamesTest, TheUpdatersOwnNamesAreNeverFetched) {
    struct Row {
        const char* name;
        bool own;
        const char* reason;
    };
    const Row rows[] = {
        {"VelmUpdate.journal", true, "the commit journal"},
        {"velmupdate.JOURNAL", true, "in any case"},
        {"VelmUpdate.journal.", true, "with the dot Windows drops"},
        {"VelmUpdate.journal . ", true, "with dots and blanks"},
        {"VelmUpdate.journal.new", true, "the journal's next version"},
        {"VelmUpdate.lock", true, "the folder's lock"},
        {"VELMUPDATE.LOCK", true, "the lock in capitals"},
        {"VelmUpdate.log", true, "the run log"},
        {"VelmUpdate.log.1", true, "its older copy"},
        {"velmupdate.log.2", true, "any older copy"},
        {"atualiza.carimbo", true, "the accepted time of the signed lists"},
        {"Atualiza.Carimbo.", true, "in another case, with a dot"},
        {"VelmUpdate.digests", true, "the signed lists' digest cache"},
        {"script_erro.txt", true, "a saved failed script blocks every start"},
        {"SCRIPT_ERRO_DT_05-03-2024_HR_14-07-09 M-PRIMEIRA.TXT", true, "as the upgrade saves it"},
        {"SCRIPT_ERRO", true, "without an extension"},
        {"~vu1a2b.tmp", true, "a download's temporary file (Windows' shape)"},
        {"~vuAbC123.tmp", true, "a download's temporary file (Linux' shape)"},
        {"~VBanything.TMP", true, "a backup's shape, in any case"},
        {"~vb0123456789ab.tmp", true, "a backup of this version"},
        {"~ftp12.tmp", true, "an earlier version's temporary file"},
        {"~vu.txt", false, "not the temporary files' shape"},
        {"atualiza.pub", true, "the key, without a signed list naming it"},
        {"ATUALIZA.PUB.", true, "the key in capitals, with a dot"},
        {"atualiza.cfg", false, "the server's address stays fetchable"},
        {"Sys_Info.INI", false, "the product's settings stay fetchable"},
        {"VelmUpdate.exe", false, "the program itself is a file of the release"},
        {"VelmUpdate.journal.bak", false, "another name"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.reason) + ": " + row.name);
        EXPECT_EQ(isOwnName(row.name, KeyChange::Refused), row.own);
        if (row.own) {
            EXPECT_EQ(listedNameFault(row.name, KeyChange::Refused), NameFault::OwnName);
        }
    }
    // A verified signed list that names a new key brings it.
    EXPECT_FALSE(isOwnName("atualiza.pub", KeyChange::Allowed));
    EXPECT_TRUE(isOwnName("VelmUpdate.journal", KeyChange::Allowed));
}

TEST(LocalNamesTest, EachRefusalSaysWhatTheNameIs) {
    EXPECT_EQ(refusedNameText(NameFault::OwnName, "VelmUpdate.journal"),
              "O servidor listou um arquivo de controle do atualizador: VelmUpdate.journal; ele "
              "n\xE3o foi baixado.");
    EXPECT_EQ(refusedNameText(NameFault::NotInFolder, "../fora.exe"),
              "O servidor listou um nome de arquivo que n\xE3o pode ser gravado nesta pasta: "
              "../fora.exe");
    EXPECT_NE(refusedNameText(NameFault::TooLong, "x").find("mais de 255 caracteres"),
              std::string::npos);
    EXPECT_NE(refusedNameText(NameFault::EndsInDotOrBlank, "a.exe.").find("ponto ou espa\xE7o"),
              std::string::npos);
    EXPECT_NE(refusedNameText(NameFault::Device, "CON").find("dispositivo"), std::string::npos);
}

// A code page without a form for some bytes (a double-byte one, say).
class NarrowCodePage : public AnsiCodePage {
public:
    std::string toUtf8(const std::string& ansi) override { return check(ansi); }
    std::string fromUtf8(const std::string& utf8) override { return check(utf8); }
    std::u16string toUtf16(const std::string& ansi) override {
        const std::string text = check(ansi);
        return std::u16string(text.begin(), text.end());
    }
    std::string fromUtf16(const std::u16string&) override { throw Error("not here"); }

private:
    static std::string check(const std::string& text) {
        for (const char c : text)
            if (static_cast<unsigned char>(c) == 0x81) throw Error("no such character");
        return text;
    }
};

TEST(LocalNamesTest, NameTheCodePageCannotHoldIsRefused) {
    NarrowCodePage codePage;
    ScopedService<AnsiCodePage> use{codePage};
    EXPECT_FALSE(isSafeLocalName("a\x81.exe"));
    EXPECT_TRUE(isSafeLocalName("relat\xF3rio.txt"));
}

}  // namespace
}  // namespace velm
