#pragma once

#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

namespace velm::test {

// A folder that the calling thread cannot create files in, as an ordinary
// user meets a read-only folder: its mode loses every write permission and,
// when the thread runs as root, the thread gives up its right to ignore
// that (CAP_DAC_OVERRIDE) meanwhile. Capabilities belong to threads, so
// the rest of the process is untouched. Everything is put back at the end.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(std::string folder) : folder_(std::move(folder)) {
        struct stat st {};
        if (stat(folder_.c_str(), &st) != 0) return;
        mode_ = st.st_mode & 07777;
        chmod(folder_.c_str(), mode_ & ~0222);
        if (capget(caps_) && (caps_[0].effective & kOverride)) {
            __user_cap_data_struct reduced[2] = {caps_[0], caps_[1]};
            reduced[0].effective &= ~kOverride;
            dropped_ = capset(reduced);
        }
    }
    ~ReadOnlyFolder() {
        if (dropped_) capset(caps_);
        chmod(folder_.c_str(), mode_);
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    // True when creating a file in the folder really fails.
    bool holds() const {
        const std::string probe = folder_ + "/.probe";
        FILE* file = std::fopen(probe.c_str(), "w");
        if (!file) return errno == EACCES;
        std::fclose(file);
        std::remove(probe.c_str());
        return false;
    }

private:
    static constexpr unsigned kOverride = 1u << CAP_DAC_OVERRIDE;

    static bool capget(__user_cap_data_struct (&data)[2]) {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        return syscall(SYS_capget, &header, data) == 0;
    }
    static bool capset(__user_cap_data_struct (&data)[2]) {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        return syscall(SYS_capset, &header, data) == 0;
    }

    std::string folder_;
    mode_t mode_ = 0755;
    __user_cap_data_struct caps_[2] = {};
    bool dropped_ = false;
};

}  // namespace velm::test
