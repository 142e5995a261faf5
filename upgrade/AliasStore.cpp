#include "upgrade/AliasStore.h"

#include <cstdlib>

#include "platform/FileSystem.h"
#include "upgrade/DatabaseError.h"

namespace velm {

namespace {

constexpr const char* kAliasesVariable = "VELMUPDATE_ALIASES";

std::string trimmed(const std::string& s) {
    std::size_t first = 0, last = s.size();
    while (first < last && static_cast<unsigned char>(s[first]) <= ' ') ++first;
    while (last > first && static_cast<unsigned char>(s[last - 1]) <= ' ') --last;
    return s.substr(first, last - first);
}

bool sameAsciiText(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

struct Section {
    std::string name;
    std::vector<std::string> lines;
};

std::vector<Section> readSections(const std::string& fileName) {
    std::vector<Section> sections;
    for (const std::string& raw : fileSystem().readTextLines(fileName)) {
        const std::string line = trimmed(raw);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line.front() == '[' && line.back() == ']') {
            sections.push_back({trimmed(line.substr(1, line.size() - 2)), {}});
        } else if (!sections.empty()) {
            sections.back().lines.push_back(line);
        }
    }
    return sections;
}

}  // namespace

std::vector<std::string> AliasStore::GetAliasParams(const std::string& alias) const {
    for (Section& section : readSections(fileName_))
        if (sameAsciiText(section.name, alias)) return std::move(section.lines);
    throw DatabaseError("Alias desconhecido: " + alias);
}

std::vector<std::string> AliasStore::aliasNames() const {
    std::vector<std::string> names;
    for (const Section& section : readSections(fileName_)) names.push_back(section.name);
    return names;
}

AliasStore aliasStore() {
    const char* file = std::getenv(kAliasesVariable);
    if (!file || !*file)
        throw DatabaseError(std::string("Configura\xE7\xE3o de aliases n\xE3o definida (") +
                            kAliasesVariable + ")");
    return AliasStore(file);
}

std::vector<std::string> GetAliasParams(const std::string& alias) {
    return aliasStore().GetAliasParams(alias);
}

std::string aliasParameter(const std::vector<std::string>& params, const std::string& name) {
    std::string value;
    for (const std::string& line : params) {
        const auto equals = line.find('=');
        if (equals != std::string::npos && sameAsciiText(trimmed(line.substr(0, equals)), name))
            value = line.substr(equals + 1);
    }
    return value;
}

}  // namespace velm
