#include "sync/UpdateSettings.h"

#include "platform/AsciiText.h"
#include "platform/DecimalText.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"

namespace velm {

namespace {

const std::string& lineAt(const std::vector<std::string>& lines, std::size_t index) {
    static const std::string empty;
    return index < lines.size() ? lines[index] : empty;
}

}  // namespace

std::int32_t settingsInteger(const std::string& line) {
    const auto invalid = [&line] {
        return Error("'" + line + "' n\xE3o \xE9 um valor inteiro v\xE1lido");
    };
    // Leading blanks are allowed, as by the system's conversion; nothing else is.
    std::string_view text = line;
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    const auto value = readInteger<std::int32_t>(text);
    if (!value) throw invalid();
    return *value;
}

UpdateSettings parseUpdateSettings(const std::vector<std::string>& lines) {
    UpdateSettings settings;
    settings.Host = lineAt(lines, 0);
    // Only the low 16 bits reach the port: 70000 is port 4464.
    settings.Port = static_cast<std::uint16_t>(
        static_cast<std::uint32_t>(settingsInteger(lineAt(lines, 1))) & 0xFFFFu);
    // Exactly the word FALSE, in any letter case, selects active mode.
    settings.Passive = asciiUpper(lineAt(lines, 2)) != "FALSE";
    settings.SecondPassword = !lineAt(lines, 3).empty();
    return settings;
}

UpdateSettings readUpdateSettings() {
    if (!fileSystem().fileExists(kUpdateSettingsFile)) {
        UpdateSettings defaults;
        defaults.Host = kDefaultUpdateHost;
        return defaults;
    }
    return parseUpdateSettings(fileSystem().readTextLines(kUpdateSettingsFile));
}

std::string ftpPasswordColumn(const UpdateSettings& settings) {
    return settings.SecondPassword ? "senha_ftp2" : "senha_ftp";
}

std::string ftpPasswordQuery(const UpdateSettings& settings) {
    return "select " + ftpPasswordColumn(settings) + " from principal";
}

}  // namespace velm
