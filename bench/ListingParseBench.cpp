// Parses generated Unix listings of 10,000 to 100,000 lines and prints lines
// per second and how the time grows with the number of lines.
//
//   listing_parse_bench [repetitions]
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ftp/FtpListParser.h"

namespace {

using Clock = std::chrono::steady_clock;

// Lines as the servers write them: recent entries with a time, old ones with
// a year, files and folders, names of different lengths.
std::vector<std::string> unixListing(int count) {
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(count) + 1);
    lines.push_back("total " + std::to_string(count * 8));
    char line[200];
    for (int i = 0; i < count; ++i) {
        const bool folder = i % 17 == 0;
        const char* month = kMonths[i % 12];
        const int day = i % 28 + 1;
        if (i % 3 == 0)
            std::snprintf(line, sizeof line, "%s   1 owner    group    %10d %s %2d  %d %s%06d.dat",
                          folder ? "drwxr-xr-x" : "-rw-r--r--", i * 37 % 100000000, month, day,
                          2000 + i % 24, folder ? "dir" : "file", i);
        else
            std::snprintf(line, sizeof line, "%s   1 owner    group    %10d %s %2d %02d:%02d %s%06d.exe",
                          folder ? "drwxr-xr-x" : "-rw-r--r--", i * 37 % 100000000, month, day,
                          i % 24, i % 60, folder ? "dir" : "program", i);
        lines.emplace_back(line);
    }
    return lines;
}

// Times of `repetitions` parses in order: the first meets fresh memory (as
// the program's one listing does), the later ones reuse the freed heap.
std::vector<double> parseTimes(const std::vector<std::string>& lines, int repetitions) {
    const velm::DateTime now = velm::encodeDateTime({2024, 6, 15, 10, 0, 0, 0});
    std::vector<double> times;
    for (int r = 0; r < repetitions; ++r) {
        velm::TFtpListItems items;
        const auto start = Clock::now();
        velm::parseFtpListing(lines, true, now, items);
        times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
        if (items.Count() + 1 != static_cast<int>(lines.size())) {
            std::fprintf(stderr, "parsed %d items of %zu lines\n", items.Count(), lines.size());
            std::exit(1);
        }
    }
    return times;
}

// Each size in its own process, so that no size inherits another's heap.
std::vector<double> measureInChild(int count, int repetitions) {
    int fds[2];
    if (pipe(fds) != 0) std::exit(1);
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        // Freed memory stays in the heap between repetitions.
        mallopt(M_MMAP_THRESHOLD, 1 << 30);
        mallopt(M_TRIM_THRESHOLD, 1 << 30);
        const std::vector<double> times = parseTimes(unixListing(count), repetitions);
        const ssize_t size = static_cast<ssize_t>(times.size() * sizeof(double));
        _exit(write(fds[1], times.data(), static_cast<std::size_t>(size)) == size ? 0 : 1);
    }
    close(fds[1]);
    std::vector<double> times(static_cast<std::size_t>(repetitions));
    const ssize_t got = read(fds[0], times.data(), times.size() * sizeof(double));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (got != static_cast<ssize_t>(times.size() * sizeof(double))) std::exit(1);
    return times;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int repetitions = argc > 1 ? std::max(2, std::atoi(argv[1])) : 9;
    std::printf("Unix listing parse: first parse in a fresh process, then the median of %d more\n",
                repetitions - 1);
    std::printf("%8s %10s %12s %10s %12s %12s\n", "lines", "first ms", "first l/s", "median ms",
                "median l/s", "vs 10,000");
    double base = 0;
    for (int count : {10000, 20000, 50000, 100000}) {
        std::vector<double> times = measureInChild(count, repetitions);
        const double first = times.front();
        const double warm = median(std::vector<double>(times.begin() + 1, times.end()));
        if (count == 10000) base = warm;
        std::printf("%8d %10.2f %12.0f %10.2f %12.0f %11.2fx\n", count, first * 1000, count / first,
                    warm * 1000, count / warm, warm / base);
    }
    std::printf("(linear growth: 10x from 10,000 to 100,000 lines)\n");
    return 0;
}
