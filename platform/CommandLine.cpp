#include "platform/CommandLine.h"

namespace velm {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

std::vector<std::string> splitCommandLine(const std::string& line) {
    std::vector<std::string> args;
    std::size_t p = 0;
    const std::size_t n = line.size();
    while (p < n && isBlank(line[p])) ++p;
    if (p == n) return args;

    std::string program;
    bool quoted = false;
    for (; p < n && (quoted || !isBlank(line[p])); ++p) {
        if (line[p] == '"')
            quoted = !quoted;
        else
            program += line[p];
    }
    args.push_back(program);

    for (;;) {
        while (p < n && isBlank(line[p])) ++p;
        if (p == n) break;
        std::string arg;
        quoted = false;
        while (p < n) {
            std::size_t slashes = 0;
            while (p < n && line[p] == '\\') {
                ++slashes;
                ++p;
            }
            if (p < n && line[p] == '"') {
                arg.append(slashes / 2, '\\');
                if (slashes % 2 == 1) {
                    arg += '"';
                } else if (quoted && p + 1 < n && line[p + 1] == '"') {
                    arg += '"';
                    ++p;
                } else {
                    quoted = !quoted;
                }
                ++p;
                continue;
            }
            arg.append(slashes, '\\');
            if (p == n || (!quoted && isBlank(line[p]))) break;
            arg += line[p++];
        }
        args.push_back(arg);
    }
    return args;
}

}  // namespace velm
