#include "sync/LocalNames.h"

#include "platform/AnsiCodePage.h"
#include "platform/AsciiText.h"
#include "platform/Errors.h"
#include "platform/FileNames.h"
#include "platform/FolderLock.h"
#include "platform/ReplacementFile.h"
#include "platform/RunLogFile.h"
#include "signing/AcceptedListStamp.h"
#include "signing/FileDigestCache.h"
#include "signing/MinisignText.h"
#include "sync/CommitJournal.h"

namespace velm {

namespace {

bool refusedCharacter(char c) {
    if (static_cast<unsigned char>(c) < 32) return true;
    switch (c) {
        case '\\':
        case '/':
        case ':':
        case '<':
        case '>':
        case '"':
        case '|':
        case '?':
        case '*':
            return true;
        default:
            return false;
    }
}

std::string withoutTrailingDotsAndBlanks(std::string name) {
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
    return name;
}

// The stem (before the first dot), trimmed of blanks and upper-cased, is
// what Windows compares with its device names: "CON .txt" and "com1.log"
// are devices too.
bool isDeviceName(const std::string& name) {
    const std::string stem = asciiUpper(trimmed(name.substr(0, name.find('.'))));
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"})
        if (stem == device) return true;
    if (stem.size() != 4 || !(stem.starts_with("COM") || stem.starts_with("LPT"))) return false;
    const char digit = stem[3];
    // 0 to 9, and the superscript one, two and three (Windows-1252).
    return (digit >= '0' && digit <= '9') || digit == '\xB9' || digit == '\xB2' || digit == '\xB3';
}

bool startsWithFolded(const std::string& name, const std::string& head) {
    return name.size() >= head.size() && sameFileName(name.substr(0, head.size()), head);
}

bool endsWithFolded(const std::string& name, const std::string& tail) {
    return name.size() >= tail.size() && sameFileName(name.substr(name.size() - tail.size()), tail);
}

}  // namespace

NameFault localNameFault(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return NameFault::NotInFolder;
    for (const char c : name)
        if (refusedCharacter(c)) return NameFault::NotInFolder;
    try {
        ansiToUtf8(name);  // a byte the code page leaves undefined has no file name
    } catch (const Error&) {
        return NameFault::NotInFolder;
    }
    if (name.back() == '.' || name.back() == ' ') return NameFault::EndsInDotOrBlank;
    if (name.size() > kMaxLocalNameBytes) return NameFault::TooLong;
    if (isDeviceName(name)) return NameFault::Device;
    return NameFault::None;
}

// The one list of the updater's own names.
bool isOwnName(const std::string& name, KeyChange key) {
    const std::string bare = withoutTrailingDotsAndBlanks(name);
    const std::string files[] = {
        kCommitJournalName,
        kNextCommitJournalName,
        kFolderLockName,
        kRunLogName,
        kAcceptedStampFile,
        FileDigestCache::kFileName,
    };
    for (const std::string& own : files)
        if (sameFileName(bare, own)) return true;
    // The log's older copies: "VelmUpdate.log.1" and any like it.
    if (startsWithFolded(bare, std::string(kRunLogName) + ".")) return true;
    // A saved failed script blocks every start while it lies in the folder.
    if (startsWithFolded(bare, "SCRIPT_ERRO")) return true;
    // The commit's temporary files and backups, of this version and earlier
    // ones, on either system (Windows keeps a prefix's first three letters):
    // the leftover removal deletes such names.
    for (const char* prefix : {ReplacementFile::kTemporaryPrefix, ReplacementFile::kBackupPrefix,
                               ReplacementFile::kOlderTemporaryPrefix})
        if (startsWithFolded(bare, std::string(prefix).substr(0, 3)) && endsWithFolded(bare, ".tmp"))
            return true;
    return key == KeyChange::Refused && sameFileName(bare, kPublicKeyFile);
}

NameFault listedNameFault(const std::string& name, KeyChange key) {
    const NameFault fault = localNameFault(name);
    // "VelmUpdate.journal." is refused for what it would land on.
    if ((fault == NameFault::None || fault == NameFault::EndsInDotOrBlank) && isOwnName(name, key))
        return NameFault::OwnName;
    return fault;
}

std::string refusedNameText(NameFault fault, const std::string& name) {
    switch (fault) {
        case NameFault::None:
        case NameFault::NotInFolder:
            return "O servidor listou um nome de arquivo que n\xE3o pode ser gravado nesta pasta: " +
                   name;
        case NameFault::EndsInDotOrBlank:
            return "O servidor listou um nome de arquivo terminado em ponto ou espa\xE7o, que o "
                   "Windows confunde com o mesmo nome sem eles: \"" +
                   name + "\"; ele n\xE3o foi baixado.";
        case NameFault::TooLong:
            return "O servidor listou um nome de arquivo com mais de " +
                   std::to_string(kMaxLocalNameBytes) +
                   " caracteres, que o Windows n\xE3o aceita: " + name +
                   "; ele n\xE3o foi baixado.";
        case NameFault::Device:
            return "O servidor listou um nome reservado pelo Windows para um dispositivo: " + name +
                   "; ele n\xE3o foi baixado.";
        case NameFault::OwnName:
            return "O servidor listou um arquivo de controle do atualizador: " + name +
                   "; ele n\xE3o foi baixado.";
    }
    return name;
}

}  // namespace velm
