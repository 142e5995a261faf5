#include "upgrade/AliasStore.h"

#include <cstdlib>

#include "platform/AsciiText.h"
#include "platform/FileSystem.h"
#include "platform/ParameterLine.h"
#include "upgrade/DatabaseError.h"

namespace velm {

namespace {

constexpr const char* kAliasesVariable = "VELMUPDATE_ALIASES";

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
        if (sameIgnoringAsciiCase(section.name, alias)) return std::move(section.lines);
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
        const auto parameter = splitParameterLine(line);
        if (parameter && sameIgnoringAsciiCase(trimBlanks(parameter->name), name))
            value = parameter->value;
    }
    return value;
}

}  // namespace velm
