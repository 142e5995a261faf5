// Splitting speed of the statement splitter on generated catalogue-like
// scripts, and how the time grows from 5,000 to 50,000 statements.
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

#include "SqlScriptGenerator.h"
#include "upgrade/SqlScriptParser.h"

namespace {

// Best of several runs, in seconds; also returns the statement count. The
// statements are taken one by one, as the engine takes them; the parser's
// copy of the lines is made before the clock starts (moved in).
// CPU time, not wall time: the machine is shared, and a benchmark should not
// charge another process's time slices to the splitter.
double cpuSeconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

double timeSplit(const std::vector<std::string>& lines, std::size_t& statements) {
    double best = 1e9;
    for (int run = 0; run < 15; ++run) {
        std::vector<std::string> copy = lines;
        velm::TSqlScriptParser parser;
        const double start = cpuSeconds();
        parser.setLines(std::move(copy));
        std::size_t count = 0, textBytes = 0;
        while (parser.hasStatement()) {
            const velm::TSqlStatement statement = parser.nextStatement();
            textBytes += statement.text.size();
            ++count;
        }
        const double elapsed = cpuSeconds() - start;
        if (textBytes == 0) std::printf("no text?\n");
        statements = count;
        best = std::min(best, elapsed);
    }
    return best;
}

}  // namespace

int main() {
    std::printf("%-11s %11s %9s %10s %12s\n", "statements", "bytes", "ms", "MB/s", "us/statement");
    double time5k = 0, time50k = 0;
    for (int n : {5000, 10000, 20000, 50000, 100000}) {
        const auto lines = velm::bench::generateScript(n);
        const std::size_t bytes = velm::bench::scriptBytes(lines);
        std::size_t statements = 0;
        const double seconds = timeSplit(lines, statements);
        std::printf("%-11zu %11zu %9.2f %10.1f %12.3f\n", statements, bytes, seconds * 1e3,
                    bytes / seconds / 1e6, seconds * 1e6 / static_cast<double>(statements));
        if (n == 5000) time5k = seconds;
        if (n == 50000) time50k = seconds;
    }
    std::printf("growth 5k -> 50k: x%.2f for x10 the statements (linear = 10)\n", time50k / time5k);
    return 0;
}
