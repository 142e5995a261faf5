// The file system through the ANSI entry points, so names reach the system in
// its own code page and every rule (case, separators, wildcards) is its own.
#include <windows.h>

#include <algorithm>
#include <memory>

#include "platform/AnsiCodePage.h"
#include "platform/FileErrors.h"
#include "platform/FileNames.h"
#include "platform/FileSystem.h"
#include "platform/FileTimes.h"
#include "platform/WindowsHandle.h"

namespace velm {

namespace {

constexpr long long kTicksPerSecond = 10000000;
constexpr long long kSecondsFrom1601To1970 = 11644473600;

class WindowsInputFile : public InputFile {
public:
    WindowsInputFile(HANDLE h, std::string name) : h_(h), name_(std::move(name)) {}
    std::size_t read(char* data, std::size_t size) override {
        DWORD got = 0;
        const DWORD want = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
        if (!ReadFile(h_.get(), data, want, &got, nullptr))
            throw fileError("Cannot read file", name_, GetLastError());
        return got;
    }

private:
    WindowsHandle h_;
    std::string name_;
};

class WindowsOutputFile : public OutputFile {
public:
    WindowsOutputFile(HANDLE h, std::string name) : h_(h), name_(std::move(name)) {}
    void write(const char* data, std::size_t size) override {
        if (!h_.valid()) throw fileError("Cannot write file", name_, ERROR_INVALID_HANDLE);
        while (size > 0) {
            DWORD done = 0;
            const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
            if (!WriteFile(h_.get(), data, chunk, &done, nullptr))
                throw fileError("Cannot write file", name_, GetLastError());
            data += done;
            size -= done;
        }
    }
    void close() override {
        if (!h_.valid()) return;
        if (!CloseHandle(h_.release())) throw fileError("Cannot write file", name_, GetLastError());
    }

private:
    WindowsHandle h_;
    std::string name_;
};

struct FindCloser {
    void operator()(HANDLE h) const { FindClose(h); }
};

// An entry's name as the search delivers it: "?" for each character (a
// surrogate pair counting as one) that has no form in the ANSI code page.
std::string searchNameOf(const std::u16string& name) {
    try {
        return ansiCodePage().fromUtf16(name);
    } catch (const Error&) {
    }
    std::string out;
    for (std::size_t i = 0; i < name.size();) {
        const bool pair = i + 1 < name.size() && name[i] >= 0xD800 && name[i] <= 0xDBFF &&
                          name[i + 1] >= 0xDC00 && name[i + 1] <= 0xDFFF;
        const std::size_t units = pair ? 2 : 1;
        try {
            out += ansiCodePage().fromUtf16(name.substr(i, units));
        } catch (const Error&) {
            out += '?';
        }
        i += units;
    }
    return out;
}

bool attributesOf(const std::string& name, WIN32_FILE_ATTRIBUTE_DATA& data) {
    return GetFileAttributesExA(name.c_str(), GetFileExInfoStandard, &data) != 0;
}

class WindowsFileSystem : public FileSystem {
public:
    bool fileExists(const std::string& name) override {
        const DWORD a = GetFileAttributesA(name.c_str());
        return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
    }

    bool directoryExists(const std::string& name) override {
        const DWORD a = GetFileAttributesA(name.c_str());
        return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
    }

    // The wide search, matched by the system; names without an exact ANSI
    // form arrive with "?" in place of each character that has none, as the
    // 8-bit search gives them (but without its best-fit look-alikes).
    std::vector<std::string> findFiles(const std::string& pattern) override {
        const std::string action = "Cannot search for files";
        std::u16string widePattern;
        try {
            widePattern = ansiCodePage().toUtf16(pattern);
        } catch (const Error&) {
            throw fileError(action, pattern, ERROR_INVALID_NAME);
        }
        std::vector<std::string> names;
        WIN32_FIND_DATAW data;
        HANDLE h = FindFirstFileExW(reinterpret_cast<const wchar_t*>(widePattern.c_str()),
                                    FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0);
        if (h == INVALID_HANDLE_VALUE) {
            const DWORD err = GetLastError();
            if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND ||
                err == ERROR_NO_MORE_FILES)
                return names;
            throw fileError(action, pattern, err);
        }
        std::unique_ptr<void, FindCloser> search(h);
        do {
            names.push_back(searchNameOf(reinterpret_cast<const char16_t*>(data.cFileName)));
        } while (FindNextFileW(h, &data));
        return names;
    }

    std::unique_ptr<InputFile> openForReading(const std::string& name) override {
        HANDLE h = CreateFileA(name.c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) throw fileError("Cannot open file", name, GetLastError());
        return std::make_unique<WindowsInputFile>(h, name);
    }

    std::unique_ptr<OutputFile> createFile(const std::string& name) override {
        HANDLE h = CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) throw fileError("Cannot create file", name, GetLastError());
        return std::make_unique<WindowsOutputFile>(h, name);
    }

    DateTime modificationTime(const std::string& name) override {
        const std::string action = "Cannot read the date of file";
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!attributesOf(name, data)) throw fileError(action, name, GetLastError());
        const long long ticks =  // 100 ns since 1601-01-01 00:00 UTC
            (static_cast<long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
            data.ftLastWriteTime.dwLowDateTime;
        return localFileTime(name, ticks / kTicksPerSecond - kSecondsFrom1601To1970,
                             static_cast<int>(ticks % kTicksPerSecond / 10000));
    }

    void setModificationTime(const std::string& name, DateTime localTime) override {
        const std::string action = "Cannot set the date of file";
        const long long ticks =
            (storedFileTime(name, localTime) + kSecondsFrom1601To1970) * kTicksPerSecond;
        FILETIME utc;
        utc.dwLowDateTime = static_cast<DWORD>(ticks);
        utc.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
        WindowsHandle h(CreateFileA(name.c_str(), FILE_WRITE_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!h.valid()) throw fileError(action, name, GetLastError());
        if (!SetFileTime(h.get(), nullptr, nullptr, &utc))
            throw fileError(action, name, GetLastError());
    }

    long long fileSize(const std::string& name) override {
        const std::string action = "Cannot read the size of file";
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!attributesOf(name, data)) throw fileError(action, name, GetLastError());
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            throw fileError(action, name, ERROR_ACCESS_DENIED);
        return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }

    std::optional<FileIdentity> fileIdentity(const std::string& name) override {
        // Opened for its attributes only, sharing everything: a program
        // that has the file open is not disturbed.
        WindowsHandle h(CreateFileA(name.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!h.valid()) return std::nullopt;
        BY_HANDLE_FILE_INFORMATION info;
        FILE_BASIC_INFO basic;
        if (!GetFileInformationByHandle(h.get(), &info) ||
            (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
            !GetFileInformationByHandleEx(h.get(), FileBasicInfo, &basic, sizeof basic))
            return std::nullopt;
        return FileIdentity{
            (static_cast<long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow,
            basic.LastWriteTime.QuadPart, basic.ChangeTime.QuadPart,
            (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    }

    bool deleteFile(const std::string& name) override { return DeleteFileA(name.c_str()) != 0; }

    bool copyFile(const std::string& from, const std::string& to) override {
        return CopyFileA(from.c_str(), to.c_str(), TRUE) != 0;
    }

    void replaceFile(const std::string& from, const std::string& to) override {
        if (!MoveFileExA(from.c_str(), to.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            const DWORD code = GetLastError();
            throw FileError("Cannot rename file \"" + from + "\" to \"" + to + "\". " +
                                systemErrorMessage(code),
                            code);
        }
    }

    void moveFileNoReplace(const std::string& from, const std::string& to) override {
        if (!MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) {
            DWORD code = GetLastError();
            if (code == ERROR_ALREADY_EXISTS) code = ERROR_FILE_EXISTS;
            throw FileError("Cannot rename file \"" + from + "\" to \"" + to + "\". " +
                                systemErrorMessage(code),
                            code);
        }
    }

    void flushFiles(const std::vector<std::string>& names) override {
        for (const std::string& name : names) {
            WindowsHandle h(CreateFileA(name.c_str(), GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
            if (!h.valid() || !FlushFileBuffers(h.get()))
                throw fileError("Cannot write file", name, GetLastError());
        }
    }

    // A folder can be flushed only by an administrator; the renames in it
    // were written through (MOVEFILE_WRITE_THROUGH) and deletions need no order.
    void flushFolder(const std::string&) override {}

    std::string createTemporaryFile(const std::string& folder, const std::string& prefix) override {
        const std::string shownFolder = folder.empty() ? "." : folder;
        char name[MAX_PATH];
        if (GetTempFileNameA(shownFolder.c_str(), prefix.c_str(), 0, name) == 0)
            throw fileError("Cannot create a temporary file in", shownFolder, GetLastError());
        return folder.empty() ? extractFileName(name) : std::string(name);
    }

    std::string nativePath(const std::string& name) override {
        std::string native = name;
        for (char& c : native)
            if (c == '/') c = '\\';
        return native;
    }
};

}  // namespace

template <>
std::unique_ptr<FileSystem> makeSystemService<FileSystem>() {
    return std::make_unique<WindowsFileSystem>();
}

// GetTempFileName's shape: the prefix's first three characters, the unique
// number in one to four hexadecimal digits, ".tmp"; compared as the system
// compares names, without regard to case.
bool isTemporaryFileName(const std::string& name, const std::string& prefix) {
    const std::string head = prefix.substr(0, 3);
    const std::string suffix = ".tmp";
    if (name.size() < head.size() + 1 + suffix.size() ||
        name.size() > head.size() + 4 + suffix.size())
        return false;
    if (!sameFileName(name.substr(0, head.size()), head) ||
        !sameFileName(name.substr(name.size() - suffix.size()), suffix))
        return false;
    return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(head.size()),
                       name.end() - static_cast<std::ptrdiff_t>(suffix.size()), [](char c) {
                           return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') ||
                                  (c >= 'A' && c <= 'F');
                       });
}

}  // namespace velm
