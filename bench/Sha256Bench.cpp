// SHA-256 throughput of the streaming hasher a download feeds, against
// sha256sum, side by side on one file.
//
//   sha256_bench [--mib N] [--runs N] [--folder DIR]
//
// Writes a file of N MiB (default 1024) of pseudo-random bytes in DIR
// (default: the system's temporary folder), reads it once to warm the page
// cache, then alternates runs: ours reads it through the platform's file
// system in the download's chunks (32 KiB) and feeds each chunk to
// Sha256Hasher; sha256sum hashes the same file in a child process. Prints
// each run and the medians: wall MiB/s and CPU seconds per GiB (ours: the
// process's user+system time; sha256sum: its children's). Also the hasher
// alone over a buffer in memory, without any reading. Both digests must
// agree, or the benchmark fails.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "signing/Sha256Hasher.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::size_t kChunk = 32768;  // what the FTP client hands its stream at most

struct Figures {
    double seconds = 0;
    double cpu = 0;
};

double cpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void writeFile(const std::string& path, std::size_t mib) {
    std::ofstream out(path, std::ios::binary);
    std::mt19937_64 random(20);
    std::vector<std::uint64_t> block(1024 * 1024 / 8);
    for (std::size_t i = 0; i < mib; ++i) {
        for (auto& word : block) word = random();
        out.write(reinterpret_cast<const char*>(block.data()), 1024 * 1024);
    }
    if (!out) throw std::runtime_error("cannot write " + path);
}

Figures ours(const std::string& path, std::string& hex) {
    const double cpu0 = cpuSeconds(RUSAGE_SELF);
    const auto t0 = Clock::now();
    velm::Sha256Hasher hasher;
    const std::unique_ptr<velm::InputFile> in = velm::fileSystem().openForReading(path);
    std::vector<char> chunk(kChunk);
    while (const std::size_t got = in->read(chunk.data(), chunk.size())) hasher.update(chunk.data(), got);
    hex = velm::hexDigest(hasher.finish());
    const std::chrono::duration<double> wall = Clock::now() - t0;
    return {wall.count(), cpuSeconds(RUSAGE_SELF) - cpu0};
}

Figures theirs(const std::string& path, std::string& hex) {
    const double cpu0 = cpuSeconds(RUSAGE_CHILDREN);
    const auto t0 = Clock::now();
    const std::string command = "sha256sum '" + path + "'";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) throw std::runtime_error("cannot start sha256sum");
    char line[256] = {};
    if (!std::fgets(line, sizeof line, pipe)) line[0] = 0;
    if (pclose(pipe) != 0) throw std::runtime_error("sha256sum failed");
    hex.assign(line, std::min<std::size_t>(64, std::strlen(line)));
    const std::chrono::duration<double> wall = Clock::now() - t0;
    return {wall.count(), cpuSeconds(RUSAGE_CHILDREN) - cpu0};
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::size_t mib = 1024;
    int runs = 3;
    fs::path folder = fs::temp_directory_path();
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--mib")) mib = std::strtoul(argv[i + 1], nullptr, 10);
        else if (!std::strcmp(argv[i], "--runs")) runs = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--folder")) folder = argv[i + 1];
    }
    const std::string path = (folder / "velm-sha256-bench.bin").string();
    try {
        std::printf("writing %zu MiB to %s\n", mib, path.c_str());
        writeFile(path, mib);
        std::string warm;
        theirs(path, warm);  // the page cache holds the file from here on

        std::vector<double> oursRate, oursCpu, theirRate, theirCpu;
        for (int run = 0; run < runs; ++run) {
            std::string a, b;
            const bool oursFirst = run % 2 == 0;
            Figures x{}, y{};
            if (oursFirst) { x = ours(path, a); y = theirs(path, b); }
            else { y = theirs(path, b); x = ours(path, a); }
            if (a != b) {
                std::fprintf(stderr, "digests differ: ours %s, sha256sum %s\n", a.c_str(), b.c_str());
                fs::remove(path);
                return 1;
            }
            const double gib = static_cast<double>(mib) / 1024;
            oursRate.push_back(static_cast<double>(mib) / x.seconds);
            theirRate.push_back(static_cast<double>(mib) / y.seconds);
            oursCpu.push_back(x.cpu / gib);
            theirCpu.push_back(y.cpu / gib);
            std::printf("run %d: ours %.0f MiB/s (%.2f CPU s/GiB), sha256sum %.0f MiB/s (%.2f CPU s/GiB)\n",
                        run + 1, oursRate.back(), oursCpu.back(), theirRate.back(), theirCpu.back());
        }
        fs::remove(path);

        // The hasher alone, over 256 MiB in memory fed in download chunks.
        std::vector<char> buffer(kChunk, 'x');
        velm::Sha256Hasher hasher;
        const auto t0 = Clock::now();
        for (int i = 0; i < 256 * 1024 * 1024 / static_cast<int>(kChunk); ++i)
            hasher.update(buffer.data(), buffer.size());
        (void)hasher.finish();
        const std::chrono::duration<double> memory = Clock::now() - t0;

        std::printf("median over %d runs, %zu MiB: ours %.0f MiB/s, %.2f CPU s/GiB; "
                    "sha256sum %.0f MiB/s, %.2f CPU s/GiB; throughput ours/sha256sum %.2f\n",
                    runs, mib, median(oursRate), median(oursCpu), median(theirRate),
                    median(theirCpu), median(oursRate) / median(theirRate));
        std::printf("hasher alone, in memory: %.0f MiB/s\n", 256 / memory.count());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        fs::remove(path);
        return 1;
    }
    return 0;
}
