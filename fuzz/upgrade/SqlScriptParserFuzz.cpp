// Feeds arbitrary scripts to the statement splitter. The first byte picks the
// starting terminator; the rest is split into lines at LF.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "upgrade/SqlScriptParser.h"

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    static const char* const terminators[] = {";", "^", "!!", "GO"};
    const std::string terminator = terminators[data[0] % 4];
    std::vector<std::string> lines(1);
    for (std::size_t i = 1; i < size; ++i) {
        if (data[i] == '\n')
            lines.emplace_back();
        else
            lines.back().push_back(static_cast<char>(data[i]));
    }

    velm::TSqlScriptParser parser;
    parser.setTerminator(terminator);
    parser.setLines(lines);
    std::size_t count = 0;
    std::size_t textBytes = 0;
    while (parser.hasStatement()) {
        const velm::TSqlStatement s = parser.nextStatement();
        ++count;
        // Every statement consumes input, so there are never more of them
        // than characters plus lines, and the texts never outgrow the input
        // with its CR LF line breaks.
        require(count <= size + lines.size() + 1);
        textBytes += s.text.size();
        require(textBytes <= size + 2 * lines.size());
        require(s.line >= 1 && s.line <= static_cast<int>(lines.size()) + 1);
        require(!parser.terminator().empty());
        for (const std::string& word : s.words) require(!word.empty());
        if (s.kind == velm::stmtERR) {
            require(!s.error.empty());
            require(!parser.hasStatement());
        }
    }
    return 0;
}
