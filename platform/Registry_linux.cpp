// The registry of a Linux installation: a .reg export file named by the
// environment variable VELMUPDATE_REGISTRY. Without it the registry is empty
// and every key is missing. The file is read again whenever it changes.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <optional>

#include "platform/Errors.h"
#include "platform/PosixErrors.h"
#include "platform/PosixFd.h"
#include "platform/RegFile.h"
#include "platform/Registry.h"

namespace velm {

namespace {

class RegFileRegistry : public Registry {
public:
    RegistryValue readValue(RegistryRoot root, const std::string& keyPath,
                            const std::string& valueName) override {
        const char* path = std::getenv("VELMUPDATE_REGISTRY");
        if (!path || !*path) throw osError(kKeyNotFound);
        return load(path).read(root, keyPath, valueName);
    }

private:
    struct Stamp {
        std::string path;
        long long size = 0, seconds = 0, nanoseconds = 0;
        bool operator==(const Stamp&) const = default;
    };

    const RegFile& load(const std::string& path) {
        auto fail = [&](int err) -> Error {
            return Error("Cannot read the registry file \"" + path + "\" (VELMUPDATE_REGISTRY). " +
                         systemErrorMessage(windowsErrorFromErrno(err)));
        };
        const PosixFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
        const int fd = file.get();
        if (fd < 0) throw fail(errno);
        struct stat st;
        if (fstat(fd, &st) != 0) throw fail(errno);
        if (S_ISDIR(st.st_mode)) throw fail(EISDIR);
        const Stamp stamp{path, st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
        if (cached_ && stamp_ == stamp) return *cached_;
        std::string content;
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) throw fail(errno);
            if (n == 0) break;
            content.append(buffer, static_cast<std::size_t>(n));
        }
        cached_ = RegFile::parse(content, path);
        stamp_ = stamp;
        return *cached_;
    }

    std::optional<RegFile> cached_;
    Stamp stamp_;
};

}  // namespace

template <>
std::unique_ptr<Registry> makeSystemService<Registry>() {
    return std::make_unique<RegFileRegistry>();
}

}  // namespace velm
