#pragma once

#include <string>

namespace velm {

// What keeps a name (from the server's listing or the commit journal) from
// naming a file of the installation folder. The rules are Windows' on every
// system: the folder is a shop's Windows folder.
enum class NameFault {
    None,
    // Empty, "." or "..", a folder part ("\", "/", a drive), a character
    // Windows refuses in names, a byte the ANSI code page leaves undefined.
    NotInFolder,
    // Windows drops trailing dots and blanks: "a.exe." opens "a.exe", so a
    // listing could name one file twice, or one of ours under another name.
    EndsInDotOrBlank,
    // Longer than a name in a Windows folder can be.
    TooLong,
    // A device (CON, COM1, CONIN$, ...) with any extension: opening it
    // opens the device, not a file.
    Device,
    // One of the updater's own files (see isOwnName).
    OwnName,
};

// The longest name, in bytes, a file of the folder can have.
inline constexpr std::size_t kMaxLocalNameBytes = 255;

// The folder's rules only; own names are isOwnName's.
NameFault localNameFault(const std::string& name);
inline bool isSafeLocalName(const std::string& name) {
    return localNameFault(name) == NameFault::None;
}

// Whether the folder's public key may be among the names: only a verified
// signed list may bring a new key (the old key introduces the new one).
enum class KeyChange { Refused, Allowed };

// True for the files the updater keeps in the folder for itself, which no
// listing may bring: the commit journal (and its next version), the lock, the run log and its
// older copy, the accepted-time record of the signed lists, the digest
// cache, any saved failed-script file, the temporary files and backups of
// a commit, and the public key unless `key` allows it. Compared as Windows
// compares names: without regard to case and with trailing dots and
// blanks dropped. atualiza.cfg and Sys_Info.INI are not among them: the
// maker may move its server or change the product's settings.
bool isOwnName(const std::string& name, KeyChange key);

// The whole check of a name the server listed.
NameFault listedNameFault(const std::string& name, KeyChange key);

// The operator's box for a listed name refused with `fault`.
std::string refusedNameText(NameFault fault, const std::string& name);

}  // namespace velm
