// Downloads one large file from a local FTP server with our client and with
// curl, alternating, each in its own process, and prints wall time, transfer
// time, CPU time per GiB and peak memory of each.
//
//   ftp_download_bench [--size-mib N] [--runs N] [--server pyftpdlib|vsftpd|both]
//
// The servers come from scripts/services.sh (source its env file first). The
// file is written into a fresh folder of the server's root and removed at the
// end; downloads go to /dev/shm so that the disk does not blur the figures.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ftp/FtpClient.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

struct Server {
    std::string name, port, root, user, password;
};

struct Run {
    std::string tool;
    double wall = 0;      // whole process, login included
    double transfer = 0;  // the download alone
    double cpu = 0;       // user + system seconds of the process
    double rssMiB = 0;    // peak resident memory
};

std::string env(const std::string& name) {
    const char* v = std::getenv(name.c_str());
    return v ? v : "";
}

// The child for our client: logs in, downloads, prints the transfer time.
int fetch(char** argv) {
    velm::TFtpClient client;
    client.Host = "127.0.0.1";
    client.Port = static_cast<std::uint16_t>(std::atoi(argv[0]));
    client.Username = argv[1];
    client.Password = argv[2];
    client.Passive = true;
    client.ReadTimeout = 0;
    try {
        client.Connect();
        client.SetTransferType(velm::ftBinary);
        const auto start = Clock::now();
        client.Get(argv[3], argv[4], true, false);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        client.Disconnect();
        std::printf("%.6f\n", seconds);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "download failed: %s\n", e.what());
        return 1;
    }
}

// Runs a program, returns its output, wall time and resource use.
Run measure(const std::string& tool, const std::vector<std::string>& command) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) throw std::runtime_error("pipe");
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeFds[1], 1);
        close(pipeFds[0]);
        std::vector<char*> args;
        for (const std::string& c : command) args.push_back(const_cast<char*>(c.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(pipeFds[1]);
    std::string output;
    char buffer[256];
    ssize_t n;
    while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0) output.append(buffer, n);
    close(pipeFds[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    Run run;
    run.tool = tool;
    run.wall = std::chrono::duration<double>(Clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error(tool + " failed: " + output);
    run.cpu = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
              usage.ru_stime.tv_usec / 1e6;
    run.rssMiB = usage.ru_maxrss / 1024.0;
    if (tool == "curl") {
        double pretransfer = 0, total = 0;
        std::sscanf(output.c_str(), "%lf %lf", &pretransfer, &total);
        run.transfer = total - pretransfer;
    } else {
        run.transfer = std::atof(output.c_str());
    }
    return run;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

bool sameFile(const fs::path& a, const fs::path& b) {
    std::ifstream x(a, std::ios::binary), y(b, std::ios::binary);
    std::vector<char> p(1 << 20), q(1 << 20);
    for (;;) {
        x.read(p.data(), p.size());
        y.read(q.data(), q.size());
        if (x.gcount() != y.gcount() || std::memcmp(p.data(), q.data(), x.gcount()) != 0)
            return false;
        if (x.gcount() == 0) return true;
    }
}

void benchmark(const Server& server, std::uint64_t bytes, int runs, const std::string& self) {
    const fs::path folder = fs::path(server.root) / ("velm-bench-" + std::to_string(getpid()));
    const fs::path source = folder / "big.bin";
    const fs::path target = fs::path(fs::exists("/dev/shm") ? "/dev/shm" : "/tmp") /
                            ("velm-bench-" + std::to_string(getpid()));
    fs::create_directories(folder);
    fs::create_directories(target);
    {
        std::ofstream out(source, std::ios::binary);
        std::vector<std::uint64_t> block(1 << 17);  // 1 MiB of varied bytes
        std::uint64_t x = 0x9E3779B97F4A7C15ULL;
        for (std::uint64_t written = 0; written < bytes; written += 8 * block.size()) {
            for (auto& w : block) {
                x ^= x << 13;
                x ^= x >> 7;
                x ^= x << 17;
                w = x;
            }
            out.write(reinterpret_cast<const char*>(block.data()),
                      static_cast<std::streamsize>(std::min<std::uint64_t>(8 * block.size(), bytes - written)));
        }
    }
    const std::string remote = folder.filename().string() + "/big.bin";
    const std::string url = "ftp://" + server.user + ":" + server.password + "@127.0.0.1:" +
                            server.port + "/" + remote;
    const double gib = bytes / double(1 << 30);

    std::printf("\n%s: %.2f GiB, %d runs per tool, alternating\n", server.name.c_str(), gib, runs);
    std::printf("%-5s %-6s %8s %10s %9s %8s %10s %9s\n", "run", "tool", "wall s", "transfer s",
                "MiB/s", "CPU s", "CPU s/GiB", "peak MiB");
    std::vector<Run> ours, curls;
    for (int i = 0; i < runs; ++i) {
        for (int k = 0; k < 2; ++k) {
            const bool oursNow = (i % 2 == 0) == (k == 0);
            const fs::path local = target / (oursNow ? "ours.bin" : "curl.bin");
            Run r = oursNow ? measure("ours", {self, "--fetch", server.port, server.user,
                                                server.password, remote, local.string()})
                            : measure("curl", {"curl", "-sS", "--ftp-pasv", "-o", local.string(),
                                               "-w", "%{time_pretransfer} %{time_total}", url});
            if (fs::file_size(local) != bytes || (i == 0 && !sameFile(local, source)))
                throw std::runtime_error(r.tool + " delivered a different file");
            fs::remove(local);
            std::printf("%-5d %-6s %8.3f %10.3f %9.1f %8.3f %10.3f %9.1f\n", i + 1, r.tool.c_str(),
                        r.wall, r.transfer, bytes / 1048576.0 / r.transfer, r.cpu, r.cpu / gib,
                        r.rssMiB);
            (oursNow ? ours : curls).push_back(r);
        }
    }
    auto pick = [](const std::vector<Run>& v, double Run::*field) {
        std::vector<double> x;
        for (const Run& r : v) x.push_back(r.*field);
        return median(x);
    };
    const double ourTransfer = pick(ours, &Run::transfer), curlTransfer = pick(curls, &Run::transfer);
    const double ourWall = pick(ours, &Run::wall), curlWall = pick(curls, &Run::wall);
    const double ourCpu = pick(ours, &Run::cpu) / gib, curlCpu = pick(curls, &Run::cpu) / gib;
    double peak = 0;
    for (const Run& r : ours) peak = std::max(peak, r.rssMiB);
    std::printf("medians: transfer ours %.3f s (%.0f MiB/s), curl %.3f s (%.0f MiB/s); "
                "throughput ours/curl %.2f\n",
                ourTransfer, bytes / 1048576.0 / ourTransfer, curlTransfer,
                bytes / 1048576.0 / curlTransfer, curlTransfer / ourTransfer);
    std::printf("         wall (login included) ours %.3f s, curl %.3f s; ratio ours/curl %.2f\n",
                ourWall, curlWall, ourWall / curlWall);
    std::printf("         CPU per GiB ours %.3f s, curl %.3f s; ratio ours/curl %.2f; "
                "our peak memory %.1f MiB\n",
                ourCpu, curlCpu, ourCpu / curlCpu, peak);
    fs::remove_all(folder);
    fs::remove_all(target);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 7 && std::string(argv[1]) == "--fetch") return fetch(argv + 2);
    std::uint64_t mib = 1024;
    int runs = 3;
    std::string which = "both";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--size-mib") mib = std::strtoull(argv[i + 1], nullptr, 10);
        else if (option == "--runs") runs = std::atoi(argv[i + 1]);
        else if (option == "--server") which = argv[i + 1];
    }
    const std::string self = fs::canonical("/proc/self/exe").string();
    std::vector<Server> servers;
    if (which != "vsftpd" && !env("VELM_TEST_FTP_PORT").empty())
        servers.push_back({"pyftpdlib", env("VELM_TEST_FTP_PORT"), env("VELM_TEST_FTP_ROOT"),
                           env("VELM_TEST_FTP_USER"), env("VELM_TEST_FTP_PASSWORD")});
    if (which != "pyftpdlib" && !env("VELM_TEST_VSFTPD_PORT").empty())
        servers.push_back({"vsftpd", env("VELM_TEST_VSFTPD_PORT"), env("VELM_TEST_VSFTPD_ROOT"),
                           env("VELM_TEST_VSFTPD_USER"), env("VELM_TEST_VSFTPD_PASSWORD")});
    if (servers.empty()) {
        std::fprintf(stderr, "No FTP server: run scripts/services.sh start DIR and source DIR/env\n");
        return 2;
    }
    try {
        for (const Server& s : servers) benchmark(s, mib << 20, runs, self);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
