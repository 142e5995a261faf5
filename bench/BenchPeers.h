#pragma once

// Processes the update-run benchmarks start beside pyftpdlib: the delaying
// proxy (bench/delay_proxy.py) and a vsftpd of their own. Linux only; each
// object ends the process it started.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>

namespace velm::bench {

inline void endProcess(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

inline int freePort() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    close(s);
    return ntohs(address.sin_port);
}

inline bool listening(int port) {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    const bool ok = connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(s);
    return ok;
}

// Sockets in TIME_WAIT on this machine (IPv4 and IPv6).
inline int timeWaitSockets() {
    int count = 0;
    for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        std::ifstream in(table);
        std::string line;
        std::getline(in, line);
        while (std::getline(in, line))
            if (line.find(" 06 ") != std::string::npos) ++count;
    }
    return count;
}

// Waits until the TIME_WAIT sockets of earlier runs have (mostly) drained:
// thousands of them slow the next run. Other users of the machine leave some
// too, so the wait ends at `below` or after 70 s.
inline void drainTimeWait(int below = 500) {
    for (int i = 0; i < 140 && timeWaitSockets() > below; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
}

// vsftpd over `root` (reachable by the account through every parent), with
// the settings of scripts/services.sh. The account `ftpuser` (password
// velmftp) is made by `scripts/services.sh start`.
class VsftpdServer {
public:
    explicit VsftpdServer(const std::filesystem::path& root) : folder_(root.parent_path()) {
        port_ = freePort();
        std::filesystem::create_directories(folder_ / "empty");
        const auto conf = folder_ / "vsftpd.conf";
        std::ofstream(conf) << "listen=YES\nlisten_ipv6=NO\nlisten_address=127.0.0.1\nlisten_port="
                            << port_
                            << "\nbackground=NO\nanonymous_enable=NO\nlocal_enable=YES\nlocal_root="
                            << root.string()
                            << "\nwrite_enable=NO\npam_service_name=vsftpd\npasv_enable=YES\n"
                               "pasv_address=127.0.0.1\nport_enable=YES\nseccomp_sandbox=NO\n"
                               "secure_chroot_dir="
                            << (folder_ / "empty").string() << "\n";
        pid_ = fork();
        if (pid_ < 0) throw std::runtime_error("cannot start vsftpd");
        if (pid_ == 0) {
            execl("/usr/sbin/vsftpd", "vsftpd", conf.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        for (int i = 0; i < 100 && !listening(port_); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (!listening(port_)) {
            endProcess(pid_);
            throw std::runtime_error("vsftpd did not start");
        }
    }
    ~VsftpdServer() { endProcess(pid_); }
    VsftpdServer(const VsftpdServer&) = delete;
    VsftpdServer& operator=(const VsftpdServer&) = delete;
    int port() const { return port_; }

private:
    std::filesystem::path folder_;
    pid_t pid_ = -1;
    int port_ = 0;
};

}  // namespace velm::bench
