#include "windows/ProgramFiles.h"

#include "platform/ArchiverPath.h"
#include "platform/AsciiText.h"
#include "platform/FileSystem.h"

namespace velm {

std::string registryText(const RegistryValue& value) {
    if (const auto* text = std::get_if<std::string>(&value)) return *text;
    return std::to_string(std::get<std::int32_t>(value));
}

std::string programFilesFolder() {
    const std::string folder = registryText(
        registry().readValue(RegistryRoot::LocalMachine,
                             "\\Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir"));
    if (fileSystem().fileExists(folder + kArchiverBelowProgramFiles)) return folder;
    const std::size_t x86 = asciiUpper(folder).find("(X86)");
    if (x86 != std::string::npos) {
        const std::string base = trimmed(folder.substr(0, x86));
        if (fileSystem().fileExists(base + kArchiverBelowProgramFiles)) return base;
    }
    return folder;
}

}  // namespace velm
