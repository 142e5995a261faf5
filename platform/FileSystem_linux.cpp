// Windows file-system semantics over POSIX. Names arrive as ANSI bytes with
// "\" or "/" separators; each component is converted to UTF-8 and matched
// case-insensitively against the entries that exist, so the program finds
// "WinRAR/WinRAR.exe" when it asks for "winrar\winrar.exe". Components that
// do not exist are created with the name as given.
//
// Entries whose UTF-8 names have no Windows-1252 form (or contain "\") cannot
// be named by the program: look-ups never match them, and the search delivers
// them with "?" in place of each such character, as the system's 8-bit
// search does.
#include <dirent.h>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <unordered_map>
#include <utility>

#include "platform/AnsiCodePage.h"
#include "platform/FileErrors.h"
#include "platform/FileNames.h"
#include "platform/FileSystem.h"
#include "platform/FileTimes.h"
#include "platform/PosixErrors.h"
#include "platform/PosixFd.h"
#include "platform/Utf8.h"

namespace velm {

namespace {

using Fd = PosixFd;

struct DirCloser {
    void operator()(DIR* d) const { closedir(d); }
};
using Dir = std::unique_ptr<DIR, DirCloser>;

// Characters Windows refuses in names (the wildcards among them).
bool isForbiddenInName(char c, bool allowWildcards) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20) return true;
    if (allowWildcards && (c == '*' || c == '?')) return false;
    return std::strchr("<>\"|?*", c) != nullptr;
}

void checkName(const std::string& action, const std::string& name, bool lastMayHaveWildcards) {
    if (name.empty()) throw fileError(action, name, win_error::pathNotFound);
    const auto lastSeparator = name.find_last_of("\\/");
    for (std::size_t i = 0; i < name.size(); ++i) {
        const bool inLast = lastSeparator == std::string::npos || i > lastSeparator;
        if (isForbiddenInName(name[i], lastMayHaveWildcards && inLast))
            throw fileError(action, name, win_error::invalidName);
    }
}

// The entry's name as the program sees it, or nothing when it has none.
std::optional<std::string> ansiNameOf(const char* utf8) {
    if (std::strchr(utf8, '\\')) return std::nullopt;
    try {
        return utf8ToAnsi(utf8);
    } catch (const Error&) {
        return std::nullopt;
    }
}

// The entry's name as the search delivers it: "?" for each character that
// has no form in the ANSI code page, each byte that is not UTF-8 and each "\".
std::string searchNameOf(const char* utf8) {
    if (auto name = ansiNameOf(utf8)) return *name;
    const std::string native(utf8);
    std::string name;
    for (std::size_t i = 0; i < native.size();) {
        const std::size_t n =
            std::max<std::size_t>(utf8SequenceLength(native.data() + i, native.size() - i), 1);
        const auto character = ansiNameOf(native.substr(i, n).c_str());
        name += character ? *character : "?";
        i += n;
    }
    return name;
}

// The entry of `folder` whose ANSI name equals `ansiName` without regard to
// case, found by reading the whole folder.
std::optional<std::string> scanFolder(const std::string& folder, const std::string& ansiName) {
    Dir dir(opendir(folder.c_str()));
    if (!dir) return std::nullopt;
    while (const dirent* entry = readdir(dir.get())) {
        const auto name = ansiNameOf(entry->d_name);
        if (name && sameFileName(*name, ansiName)) return std::string(entry->d_name);
    }
    return std::nullopt;
}

std::string folded(const std::string& ansiName) {
    std::string key = ansiName;
    for (char& c : key) c = foldFileNameChar(c);
    return key;
}

// The entries of the folders looked up lately, by folded ANSI name, so that a
// name missing with exactly its case (every new file) costs no reading of
// its folder: reading it for each one made a run over a folder of many new
// files quadratic. An inotify watch on each indexed folder reports every
// entry created, removed or renamed there, by this process or another, and
// the reports are taken before each look-up, so an index never answers from
// an older state of its folder (a modification time could not tell: changes
// within one clock tick share it). Folders are known by their identity, not
// their path. Without inotify, or a watch, every look-up reads the folder.
class FolderIndex {
public:
    FolderIndex() : inotify_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}
    ~FolderIndex() {
        if (inotify_ >= 0) ::close(inotify_);
    }
    FolderIndex(const FolderIndex&) = delete;
    FolderIndex& operator=(const FolderIndex&) = delete;

    std::optional<std::string> find(const std::string& folder, const std::string& ansiName) {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (inotify_ < 0) return scanFolder(folder, ansiName);
        takeReports();
        struct stat st;
        if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::nullopt;
        const Entries* entries = entriesOf(st);
        if (!entries) entries = index(folder, st);
        if (!entries) return scanFolder(folder, ansiName);
        const auto found = entries->find(folded(ansiName));
        if (found == entries->end()) return std::nullopt;
        return found->second.front();
    }

private:
    // Native names by folded ANSI name; more than one where names differ only
    // in case (possible here, not on the target), in the order first seen.
    using Entries = std::unordered_map<std::string, std::vector<std::string>>;
    struct Folder {
        dev_t device;
        ino_t inode;
        Entries entries;
    };
    static constexpr std::size_t kMaxFolders = 16;
    static constexpr std::uint32_t kWatched =
        IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_ONLYDIR;

    const Entries* entriesOf(const struct stat& st) const {
        for (const auto& [watch, folder] : folders_)
            if (folder.device == st.st_dev && folder.inode == st.st_ino) return &folder.entries;
        return nullptr;
    }

    // Watches, then reads the folder; what changed meanwhile is reported
    // after the reading and applied on top of it.
    const Entries* index(const std::string& path, const struct stat& st) {
        if (folders_.size() >= kMaxFolders) forget(folders_.begin()->first);
        const int watch = inotify_add_watch(inotify_, path.c_str(), kWatched);
        if (watch < 0) return nullptr;
        Folder folder{st.st_dev, st.st_ino, {}};
        Dir dir(opendir(path.c_str()));
        struct stat opened;
        if (!dir || fstat(dirfd(dir.get()), &opened) != 0 || opened.st_dev != st.st_dev ||
            opened.st_ino != st.st_ino) {
            inotify_rm_watch(inotify_, watch);
            return nullptr;
        }
        while (const dirent* entry = readdir(dir.get())) add(folder.entries, entry->d_name);
        Folder& indexed = folders_[watch] = std::move(folder);
        takeReports();
        return folders_.count(watch) ? &indexed.entries : nullptr;
    }

    void takeReports() {
        alignas(inotify_event) char buffer[16384];
        for (;;) {
            const ssize_t n = ::read(inotify_, buffer, sizeof buffer);
            if (n <= 0) return;  // nothing more reported (EAGAIN)
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                apply(*event);
            }
        }
    }

    void apply(const inotify_event& event) {
        if (event.mask & IN_Q_OVERFLOW) {
            while (!folders_.empty()) forget(folders_.begin()->first);
            return;
        }
        const auto folder = folders_.find(event.wd);
        if (folder == folders_.end()) return;
        if (event.mask & IN_IGNORED) {
            folders_.erase(folder);  // the system dropped the watch
        } else if (event.mask & IN_DELETE_SELF) {
            forget(event.wd);
        } else if (event.len > 0 && (event.mask & (IN_CREATE | IN_MOVED_TO))) {
            add(folder->second.entries, event.name);
        } else if (event.len > 0 && (event.mask & (IN_DELETE | IN_MOVED_FROM))) {
            remove(folder->second.entries, event.name);
        }
    }

    void forget(int watch) {
        inotify_rm_watch(inotify_, watch);
        folders_.erase(watch);
    }

    static void add(Entries& entries, const char* native) {
        const auto name = ansiNameOf(native);
        if (!name) return;  // the program cannot name it
        std::vector<std::string>& same = entries[folded(*name)];
        if (std::find(same.begin(), same.end(), native) == same.end()) same.emplace_back(native);
    }

    static void remove(Entries& entries, const char* native) {
        const auto name = ansiNameOf(native);
        if (!name) return;
        const auto found = entries.find(folded(*name));
        if (found == entries.end()) return;
        std::erase(found->second, std::string(native));
        if (found->second.empty()) entries.erase(found);
    }

    std::mutex mutex_;
    int inotify_;
    std::unordered_map<int, Folder> folders_;  // by watch
};

std::optional<std::string> findEntry(const std::string& folder, const std::string& ansiName) {
    static FolderIndex index;
    return index.find(folder, ansiName);
}

// The native (UTF-8) path of an ANSI name, existing components matched
// case-insensitively.
std::string resolve(const std::string& action, const std::string& name,
                    bool lastMayHaveWildcards = false) {
    checkName(action, name, lastMayHaveWildcards);
    std::string path = isAbsoluteName(name) ? "/" : "";
    bool folderExists = true;
    for (const std::string& part : splitPath(name)) {
        std::string native;
        try {
            native = ansiToUtf8(part);
        } catch (const Error&) {
            throw fileError(action, name, win_error::invalidName);
        }
        if (folderExists && part != "." && part != "..") {
            struct stat st;
            if (lstat((path + native).c_str(), &st) != 0) {
                if (auto found = findEntry(path.empty() ? "." : path, part))
                    native = *found;
                else
                    folderExists = false;
            }
        }
        path += native;
        path += '/';
    }
    if (path.size() > 1 && !endsWithSeparator(name)) path.pop_back();
    return path;
}

std::string parentOf(const std::string& native) {
    const auto pos = native.find_last_of('/');
    if (pos == std::string::npos) return ".";
    return pos == 0 ? "/" : native.substr(0, pos);
}

// The Windows code for errno after an operation on `native`: a missing folder
// on the way is "path not found", as on Windows.
unsigned long codeFor(int err, const std::string& native) {
    if (err == ENOENT) {
        struct stat st;
        if (stat(parentOf(native).c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            return win_error::pathNotFound;
    }
    return windowsErrorFromErrno(err);
}

FileError errnoError(const std::string& action, const std::string& name, const std::string& native,
                     int err) {
    return fileError(action, name, codeFor(err, native));
}

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

ssize_t readSome(int fd, char* data, std::size_t size) {
    ssize_t n;
    do n = ::read(fd, data, size);
    while (n < 0 && errno == EINTR);
    return n;
}

class PosixInputFile : public InputFile {
public:
    PosixInputFile(int fd, std::string name) : fd_(fd), name_(std::move(name)) {}
    std::size_t read(char* data, std::size_t size) override {
        const ssize_t n = readSome(fd_.get(), data, size);
        if (n < 0) throw fileError("Cannot read file", name_, windowsErrorFromErrno(errno));
        return static_cast<std::size_t>(n);
    }

private:
    Fd fd_;
    std::string name_;
};

class PosixOutputFile : public OutputFile {
public:
    PosixOutputFile(int fd, std::string name) : fd_(fd), name_(std::move(name)) {}
    void write(const char* data, std::size_t size) override {
        if (fd_.get() < 0) throw fileError("Cannot write file", name_, 6);
        if (!writeAll(fd_.get(), data, size))
            throw fileError("Cannot write file", name_, windowsErrorFromErrno(errno));
    }
    void close() override {
        if (fd_.get() < 0) return;
        if (::close(fd_.release()) != 0)
            throw fileError("Cannot write file", name_, windowsErrorFromErrno(errno));
    }

private:
    Fd fd_;
    std::string name_;
};

class PosixFileSystem : public FileSystem {
public:
    bool fileExists(const std::string& name) override {
        struct stat st;
        return statOf(name, st) && !S_ISDIR(st.st_mode);
    }

    bool directoryExists(const std::string& name) override {
        struct stat st;
        return statOf(name, st) && S_ISDIR(st.st_mode);
    }

    std::vector<std::string> findFiles(const std::string& pattern) override {
        const std::string action = "Cannot search for files";
        checkName(action, pattern, true);
        const auto pos = pattern.find_last_of("\\/");
        const std::string folder =
            pos == std::string::npos ? "" : pattern.substr(0, pos == 0 ? 1 : pos);
        const std::string mask = pos == std::string::npos ? pattern : pattern.substr(pos + 1);
        std::vector<std::string> names;
        if (mask.empty()) return names;
        const std::string native = folder.empty() ? "." : resolve(action, folder);
        Dir dir(opendir(native.c_str()));
        if (!dir) {
            // A missing folder simply holds no matches, as on Windows.
            if (errno == ENOENT || errno == ENOTDIR) return names;
            throw errnoError(action, pattern, native, errno);
        }
        while (const dirent* entry = readdir(dir.get())) {
            std::string name = searchNameOf(entry->d_name);
            if (matchesWildcard(name, mask)) names.push_back(std::move(name));
        }
        return names;
    }

    std::unique_ptr<InputFile> openForReading(const std::string& name) override {
        const std::string action = "Cannot open file";
        const std::string native = resolve(action, name);
        Fd fd(::open(native.c_str(), O_RDONLY | O_CLOEXEC));
        if (fd.get() < 0) throw errnoError(action, name, native, errno);
        struct stat st;
        if (fstat(fd.get(), &st) == 0 && S_ISDIR(st.st_mode))
            throw fileError(action, name, win_error::accessDenied);
        return std::make_unique<PosixInputFile>(fd.release(), name);
    }

    std::unique_ptr<OutputFile> createFile(const std::string& name) override {
        const std::string action = "Cannot create file";
        const std::string native = resolve(action, name);
        Fd fd(::open(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
        if (fd.get() < 0) throw errnoError(action, name, native, errno);
        return std::make_unique<PosixOutputFile>(fd.release(), name);
    }

    DateTime modificationTime(const std::string& name) override {
        const std::string action = "Cannot read the date of file";
        const std::string native = resolve(action, name);
        struct stat st;
        if (stat(native.c_str(), &st) != 0) throw errnoError(action, name, native, errno);
        return localFileTime(name, st.st_mtim.tv_sec,
                             static_cast<int>(st.st_mtim.tv_nsec / 1000000));
    }

    void setModificationTime(const std::string& name, DateTime localTime) override {
        const std::string action = "Cannot set the date of file";
        const std::int64_t utc = storedFileTime(name, localTime);
        const std::string native = resolve(action, name);
        struct stat st;
        if (stat(native.c_str(), &st) != 0) throw errnoError(action, name, native, errno);
        if (S_ISDIR(st.st_mode)) throw fileError(action, name, win_error::accessDenied);
        const struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(utc), 0}};
        if (utimensat(AT_FDCWD, native.c_str(), times, 0) != 0)
            throw errnoError(action, name, native, errno);
    }

    long long fileSize(const std::string& name) override {
        const std::string action = "Cannot read the size of file";
        const std::string native = resolve(action, name);
        struct stat st;
        if (stat(native.c_str(), &st) != 0) throw errnoError(action, name, native, errno);
        if (S_ISDIR(st.st_mode)) throw fileError(action, name, win_error::accessDenied);
        return static_cast<long long>(st.st_size);
    }

    std::optional<FileIdentity> fileIdentity(const std::string& name) override {
        struct stat st;
        if (!statOf(name, st) || S_ISDIR(st.st_mode)) return std::nullopt;
        const auto nanoseconds = [](const timespec& t) {
            return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
        };
        return FileIdentity{static_cast<long long>(st.st_size), nanoseconds(st.st_mtim),
                            nanoseconds(st.st_ctim), static_cast<std::uint64_t>(st.st_ino)};
    }

    bool deleteFile(const std::string& name) override {
        try {
            const std::string native = resolve("", name);
            struct stat st;
            if (lstat(native.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
            return ::unlink(native.c_str()) == 0;
        } catch (const FileError&) {
            return false;
        }
    }

    bool copyFile(const std::string& from, const std::string& to) override {
        std::string source, target;
        try {
            source = resolve("", from);
            target = resolve("", to);
        } catch (const FileError&) {
            return false;
        }
        Fd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
        struct stat st;
        if (in.get() < 0 || fstat(in.get(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
        // O_EXCL: an existing target (found case-insensitively) is never touched.
        Fd out(::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 0777));
        if (out.get() < 0) return false;
        bool ok = true;
        char buffer[65536];
        for (;;) {
            const ssize_t n = readSome(in.get(), buffer, sizeof buffer);
            if (n <= 0) {
                ok = n == 0;
                break;
            }
            if (!writeAll(out.get(), buffer, static_cast<std::size_t>(n))) {
                ok = false;
                break;
            }
        }
        // Windows keeps the modification time on copies.
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        if (ok) futimens(out.get(), times);
        if (::close(out.release()) != 0) ok = false;
        if (!ok) ::unlink(target.c_str());
        return ok;
    }

    void replaceFile(const std::string& from, const std::string& to) override {
        const std::string action = "Cannot rename file";
        const std::string source = resolve(action, from);
        const std::string target = resolve(action, to);
        if (::rename(source.c_str(), target.c_str()) != 0) {
            const int err = errno;
            struct stat st;
            const unsigned long code =
                lstat(source.c_str(), &st) != 0 ? codeFor(err, source) : codeFor(err, target);
            throw FileError(
                action + " \"" + from + "\" to \"" + to + "\". " + systemErrorMessage(code), code);
        }
    }

    void moveFileNoReplace(const std::string& from, const std::string& to) override {
        const std::string action = "Cannot rename file";
        const std::string source = resolve(action, from);
        const std::string target = resolve(action, to);
        int moved = ::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE);
        if (moved != 0 && (errno == EINVAL || errno == ENOSYS)) {
            // A file system without the flag: a second link refuses an
            // existing name as well; then the first one goes.
            moved = ::link(source.c_str(), target.c_str());
            if (moved == 0) ::unlink(source.c_str());
        }
        if (moved != 0) {
            const int err = errno;
            struct stat st;
            const unsigned long code = err == EEXIST ? win_error::fileExists
                                       : lstat(source.c_str(), &st) != 0 ? codeFor(err, source)
                                                                         : codeFor(err, target);
            throw FileError(
                action + " \"" + from + "\" to \"" + to + "\". " + systemErrorMessage(code), code);
        }
    }

    // Each fsync waits for the disk (about 6 ms here), a syncfs writes
    // whatever the file system holds unwritten, other programs' data too:
    // a few files are flushed one by one, many by their file systems.
    void flushFiles(const std::vector<std::string>& names) override {
        constexpr std::size_t kFlushedOneByOne = 8;
        const std::string action = "Cannot write file";
        std::vector<dev_t> flushed;
        for (const std::string& name : names) {
            const std::string native = resolve(action, name);
            if (names.size() <= kFlushedOneByOne) {
                Fd fd(::open(native.c_str(), O_RDONLY | O_CLOEXEC));
                if (fd.get() < 0 || ::fsync(fd.get()) != 0)
                    throw errnoError(action, name, native, errno);
                continue;
            }
            // Each file is looked at (a missing one fails), opened only to
            // flush a file system not flushed yet.
            struct stat st;
            if (::stat(native.c_str(), &st) != 0) throw errnoError(action, name, native, errno);
            if (std::find(flushed.begin(), flushed.end(), st.st_dev) != flushed.end()) continue;
            Fd fd(::open(native.c_str(), O_RDONLY | O_CLOEXEC));
            if (fd.get() < 0 || ::syncfs(fd.get()) != 0)
                throw errnoError(action, name, native, errno);
            flushed.push_back(st.st_dev);
        }
    }

    void flushFolder(const std::string& folder) override {
        const std::string action = "Cannot write folder";
        const std::string shown = folder.empty() ? "." : folder;
        const std::string native = resolve(action, shown);
        Fd fd(::open(native.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (fd.get() < 0 || ::fsync(fd.get()) != 0) throw errnoError(action, shown, native, errno);
    }

    std::string createTemporaryFile(const std::string& folder, const std::string& prefix) override {
        return makeTemporary(folder, prefix).first;
    }

    TemporaryFile openTemporaryFile(const std::string& folder, const std::string& prefix) override {
        auto [name, fd] = makeTemporary(folder, prefix);
        return {name, std::make_unique<PosixOutputFile>(fd.release(), name)};
    }

    std::string nativePath(const std::string& name) override {
        return resolve("Invalid file name", name);
    }

private:
    // A new file in `folder`: the prefix, six letters or digits, ".tmp";
    // created exclusively, with the mode any file the program writes gets
    // (0666 less the umask: a download is renamed into place), and open for
    // writing. Returns the folder and the file's name joined ("" for the
    // current folder gives the name alone).
    static std::pair<std::string, Fd> makeTemporary(const std::string& folder,
                                                    const std::string& prefix) {
        const std::string action = "Cannot create a temporary file in";
        const std::string shownFolder = folder.empty() ? "." : folder;
        if (!prefix.empty()) checkName(action, prefix, false);
        if (prefix.find_first_of("\\/") != std::string::npos)
            throw fileError(action, shownFolder, win_error::invalidName);
        const std::string native = resolve(action, shownFolder) + "/" + ansiToUtf8(prefix);
        static constexpr char kLetters[] =
            "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
        thread_local std::mt19937_64 random{std::random_device{}()};
        std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
        for (int attempt = 0;; ++attempt) {
            std::string unique(6, ' ');
            for (char& c : unique) c = kLetters[pick(random)];
            const std::string path = native + unique + ".tmp";
            Fd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
            if (fd.get() >= 0) {
                const std::string created = prefix + unique + ".tmp";
                if (folder.empty()) return {created, std::move(fd)};
                return {endsWithSeparator(folder) ? folder + created : folder + "/" + created,
                        std::move(fd)};
            }
            // Another file by that name: another name, as mkstemp would.
            if (errno != EEXIST || attempt >= 100)
                throw errnoError(action, shownFolder, native + "x", errno);
        }
    }

    static bool statOf(const std::string& name, struct stat& st) {
        try {
            return stat(resolve("", name).c_str(), &st) == 0;
        } catch (const FileError&) {
            return false;
        }
    }
};

}  // namespace

template <>
std::unique_ptr<FileSystem> makeSystemService<FileSystem>() {
    return std::make_unique<PosixFileSystem>();
}

// mkstemp's shape: the prefix, six letters or digits, ".tmp".
bool isTemporaryFileName(const std::string& name, const std::string& prefix) {
    const std::string suffix = ".tmp";
    if (name.size() != prefix.size() + 6 + suffix.size() || !name.starts_with(prefix) ||
        !name.ends_with(suffix))
        return false;
    return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()),
                       name.end() - static_cast<std::ptrdiff_t>(suffix.size()), [](char c) {
                           return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                                  (c >= '0' && c <= '9');
                       });
}

}  // namespace velm
