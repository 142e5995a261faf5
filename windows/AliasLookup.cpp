#include "windows/AliasLookup.h"

#include "platform/AsciiText.h"
#include "platform/FileSystem.h"
#include "upgrade/AliasStore.h"

namespace velm {

namespace {

constexpr std::size_t kSkippedPrefix = 14;
constexpr std::size_t kMaxEntry = 3000;
constexpr std::size_t kMaxValue = 100;
const std::string kDatabaseName = "DATABASE NAME=";

bool startsWith(const std::string& s, const std::string& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

std::string databaseEntryFromLine(const std::string& firstLine) {
    if (firstLine.size() <= kSkippedPrefix) return {};
    return trimmed(std::string_view(firstLine).substr(kSkippedPrefix, kMaxEntry));
}

std::string readDatabaseEntryText() {
    const std::vector<std::string> lines = fileSystem().readTextLines("Sys_Info.INI");
    return databaseEntryFromLine(lines.empty() ? std::string() : lines.front());
}

bool isDatabasePath(const std::string& entry) {
    const std::string upper = asciiUpper(entry);
    return upper.find(".GDB") != std::string::npos || upper.find(".MDB") != std::string::npos;
}

std::string pickAliasParameter(const std::vector<std::string>& aliasParams,
                               const std::string& parameter) {
    std::string result;
    if (parameter.empty()) return result;
    const std::string prefix = parameter + "=";
    const bool acceptDatabaseName = parameter == "SERVER NAME";
    for (const std::string& line : aliasParams) {
        if (startsWith(line, kDatabaseName) && (acceptDatabaseName || prefix == kDatabaseName))
            result = line.substr(kDatabaseName.size(), kMaxValue);
        else if (startsWith(line, prefix))
            result = line.substr(prefix.size(), kMaxValue);
    }
    return result;
}

std::string PegaBDEdados(const std::string& alias, const std::string& parameter) {
    if (alias.empty() || parameter.empty()) return {};
    try {
        return pickAliasParameter(GetAliasParams(alias), parameter);
    } catch (...) {
        // An alias the engine does not know simply has no value.
        return {};
    }
}

std::string resolveEntry(const std::string& entry) {
    return isDatabasePath(entry) ? entry : PegaBDEdados(entry, "SERVER NAME");
}

}  // namespace velm
