#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "platform/Registry.h"

namespace velm {

// A registry export file (.reg) read into memory, answering reads the way the
// real registry does. Both export formats are understood: "REGEDIT4" (8-bit
// ANSI text, or UTF-8 with a byte-order mark) and "Windows Registry Editor
// Version 5.00" (UTF-16LE with a byte-order mark, or 8-bit as above), with
// sections "[ROOT\key]" (ROOT in full or abbreviated: HKLM, HKCU, HKCR, HKU,
// HKCC), "[-ROOT\key]" deletions, "Name"="text" (escapes \\ and \"), @= for
// the default value, dword:, hex:, hex(N):, "Name"=- deletions, lines
// continued with a trailing backslash, ";" comments and blank lines. Key and
// value names compare case-insensitively (ASCII letters).
class RegFile {
public:
    // Raises velm::Error naming the file and the line for malformed content.
    static RegFile parse(const std::string& content, const std::string& fileName);

    // Raises OsError: code 2 when the key does not exist; code 1012 when the
    // value is missing or of a type other than string, expandable string,
    // 32-bit integer or binary. Texts come back in the ANSI code page,
    // expandable strings unexpanded, binary data as its bytes.
    RegistryValue read(RegistryRoot root, const std::string& keyPath,
                       const std::string& valueName) const;

    struct Value {
        unsigned long type = 0;  // REG_SZ 1, REG_EXPAND_SZ 2, REG_BINARY 3, REG_DWORD 4, ...
        bool quoted = false;     // "text" (held as UTF-8) rather than hex bytes
        bool wide = false;       // hex string data in UTF-16LE (version 5 files)
        std::string data;        // UTF-8 text, or the raw bytes (a dword's little-endian)
    };

private:
    // Lower-cased "root\key\path" -> lower-cased value name -> value.
    std::map<std::string, std::map<std::string, Value>> keys_;

    friend class RegFileParser;
};

}  // namespace velm
