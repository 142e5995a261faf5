// The commit alone: N staged files of K KiB put in place together (the
// flush, the journal, the renames, the backups removed), in a fresh folder
// each round; every second one replaces an existing file (every file is
// new with --replacing 0, as in a first run). Prints the median of the
// rounds and the time per file.
//
//   commit_bench [--files N] [--kib K] [--runs R] [--replacing 0|1]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/ReplacementFile.h"
#include "support/FileBytes.h"
#include "support/TempFolder.h"
#include "sync/StagedFiles.h"

namespace {

double commitOnce(int files, int kib, bool replacing) {
    velm::test::TempFolder folder;
    const std::string bytes(static_cast<std::size_t>(kib) * 1024, 'x');
    velm::StagedFiles staged(folder.name());
    for (int i = 0; i < files; ++i) {
        const std::string name = "arquivo" + std::to_string(i) + ".dll";
        if (replacing && i % 2 == 0) velm::test::writeFileBytes(folder.path() / name, "antigo");
        velm::ReplacementFile file(folder.name() + "\\" + name);
        file.write(bytes.data(), bytes.size());
        staged.add(name, file.stage());
    }
    const auto start = std::chrono::steady_clock::now();
    staged.commit();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    int files = 2000, kib = 10, runs = 5, replacing = 1;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        const int value = std::atoi(argv[i + 1]);
        if (option == "--files") files = value;
        else if (option == "--kib") kib = value;
        else if (option == "--runs") runs = value;
        else if (option == "--replacing") replacing = value;
        else {
            std::fprintf(stderr, "unknown option %s\n", option.c_str());
            return 2;
        }
    }
    std::vector<double> times;
    for (int r = 0; r < runs; ++r) times.push_back(commitOnce(files, kib, replacing != 0));
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    std::printf("%s, ", replacing ? "half replacing" : "all new");
    std::printf("commit of %d files of %d KiB: median %.3f s (%.3f ms a file), min %.3f, max %.3f\n",
                files, kib, median, 1000 * median / files, times.front(), times.back());
    return 0;
}
