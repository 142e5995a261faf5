#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/DateTime.h"
#include "platform/Service.h"

namespace velm {

// A file open for writing; closed (and flushed) by close() or the destructor.
// close() reports errors, the destructor swallows them.
class OutputFile {
public:
    virtual ~OutputFile() = default;
    virtual void write(const char* data, std::size_t size) = 0;
    virtual void close() = 0;
};

// What an ordinary copy, edit or replacement of a file changes: its size,
// its modification time and its change time at the system's full
// resolution (Linux: nanoseconds; Windows: 100 ns ticks), and the file's
// id on its volume. A program that remembers something about a file's
// contents (a digest, say) keeps it only while all four are the same.
struct FileIdentity {
    long long size = 0;
    std::int64_t modified = 0;
    std::int64_t changed = 0;
    std::uint64_t id = 0;
    bool operator==(const FileIdentity&) const = default;
};

// A file open for reading. read() returns 0 at the end.
class InputFile {
public:
    virtual ~InputFile() = default;
    virtual std::size_t read(char* data, std::size_t size) = 0;
};

// File system with the target system's semantics on every OS. Names are ANSI
// bytes, relative to the current directory unless absolute, and may use "\"
// as well as "/". Look-ups are case-insensitive: "winrar\winrar.exe" finds
// "WinRAR/WinRAR.exe". Every failure raises FileError with a clear text
// naming the file; the exists tests never raise. Names holding characters
// Windows refuses in names (control characters, < > " | ? *) fail on every OS.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // True for an existing file; a folder is not a file.
    virtual bool fileExists(const std::string& name) = 0;
    virtual bool directoryExists(const std::string& name) = 0;

    // Names (without folder part) of every entry, of any attribute (folders,
    // hidden and system entries too), matching the pattern's last component
    // with "*" and "?" case-insensitively, in the order the system delivers
    // them. "." and ".." are delivered when the pattern matches them. A
    // missing folder holds no matches. An entry whose name has no form in the
    // ANSI code page is delivered as the system's 8-bit search does, with
    // "?" for each character that has none: it is seen, but cannot be opened
    // by that name.
    virtual std::vector<std::string> findFiles(const std::string& pattern) = 0;

    // Whole text file in the ANSI code page, split into lines at CR LF, LF or CR.
    // Built on openForReading, so the same on every OS.
    std::vector<std::string> readTextLines(const std::string& name);
    // Writes (replacing) a text file, each line ending with CR LF, through createFile.
    void writeTextLines(const std::string& name, const std::vector<std::string>& lines);

    virtual std::unique_ptr<InputFile> openForReading(const std::string& name) = 0;
    // Creates or truncates.
    virtual std::unique_ptr<OutputFile> createFile(const std::string& name) = 0;

    // Modification time read as local time.
    virtual DateTime modificationTime(const std::string& name) = 0;
    // Sets the modification time, as local time, at 2-second resolution
    // (seconds rounded down to even); only years 1980 to 2107 can be stored,
    // a time outside them is stored as the nearest one inside (see
    // storedFileTime); NaN raises FileError and changes nothing.
    virtual void setModificationTime(const std::string& name, DateTime localTime) = 0;
    virtual long long fileSize(const std::string& name) = 0;
    // Nothing when the name is no existing file (a folder is not a file).
    virtual std::optional<FileIdentity> fileIdentity(const std::string& name) = 0;

    // Returns false when the file could not be deleted (missing, a folder, in use).
    virtual bool deleteFile(const std::string& name) = 0;
    // Returns false, changing nothing, when `to` exists or `from` cannot be copied.
    virtual bool copyFile(const std::string& from, const std::string& to) = 0;
    // Renames, replacing an existing `to` in one step where the system allows.
    // On Windows the rename is on disk when the call returns.
    virtual void replaceFile(const std::string& from, const std::string& to) = 0;
    // Renames only when no file or folder has the name `to` (looked up as
    // the system does, without regard to case), in one step: a file that
    // takes the name meanwhile is never replaced. Raises FileError (code
    // 80, "the file exists", when that is why). On Windows the rename is on
    // disk when the call returns.
    virtual void moveFileNoReplace(const std::string& from, const std::string& to) = 0;
    // Puts the contents and times of the files on disk before returning, so
    // that a power cut after it cannot lose them. Linux flushes a few files
    // one by one and many through the file systems that hold them (one call
    // instead of one wait for the disk per file); Windows flushes each file.
    virtual void flushFiles(const std::vector<std::string>& names) = 0;
    // Puts the folder's entries (files created, renamed, removed) on disk
    // before returning, where the system lets a program ask for it: on
    // Windows the renames were written through already.
    virtual void flushFolder(const std::string& folder) = 0;
    // A new, empty, uniquely named file in `folder` ("" for the current one),
    // its name beginning with `prefix` (Windows uses its first 3 characters)
    // and ending in ".tmp"; returns the folder and the file's name joined
    // (only the file's name for ""). isTemporaryFileName recognises the names.
    virtual std::string createTemporaryFile(const std::string& folder,
                                            const std::string& prefix) = 0;
    // The same file, open for writing. Made and then opened by default; a
    // system that can do both in one step does (a download makes one per file).
    struct TemporaryFile {
        std::string name;
        std::unique_ptr<OutputFile> file;
    };
    virtual TemporaryFile openTemporaryFile(const std::string& folder, const std::string& prefix) {
        std::string name = createTemporaryFile(folder, prefix);
        try {
            return {name, createFile(name)};
        } catch (...) {
            deleteFile(name);
            throw;
        }
    }

    // The name as the operating system wants it: separators converted and
    // every existing component matched case-insensitively (on Linux also
    // converted to UTF-8). Used where a library needs a native path (the
    // database client, for example).
    virtual std::string nativePath(const std::string& name) = 0;
};

inline FileSystem& fileSystem() {
    return Service<FileSystem>::get();
}

// True when `name` (without folder part) has exactly the shape that
// createTemporaryFile gives the files it makes with `prefix` on this system,
// so that files left by an interrupted run can be told from anyone else's.
bool isTemporaryFileName(const std::string& name, const std::string& prefix);

// The folder part of a name, without the trailing separator ("" when none);
// both "\" and "/" separate.
std::string extractFileDir(const std::string& name);
// The name without its folder part.
std::string extractFileName(const std::string& name);
// Case-insensitive "*"/"?" match of a file name, Windows-1252 letters folded.
// As on Windows, a pattern ending in ".*" also matches names without an
// extension and one ending in "." matches only those.
bool matchesWildcard(const std::string& name, const std::string& pattern);

}  // namespace velm
