#include "windows/ProgramFiles.h"

#include <cctype>

#include "platform/FileSystem.h"

namespace velm {

namespace {

const char* const kArchiver = "\\winrar\\winrar.exe";

std::string upperAscii(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

}  // namespace

std::string trimControls(const std::string& text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
    return text.substr(begin, end - begin);
}

std::string registryText(const RegistryValue& value) {
    if (const auto* text = std::get_if<std::string>(&value)) return *text;
    return std::to_string(std::get<std::int32_t>(value));
}

std::string programFilesFolder() {
    const std::string folder = registryText(registry().readValue(
        RegistryRoot::LocalMachine, "\\Software\\Microsoft\\Windows\\CurrentVersion",
        "ProgramFilesDir"));
    if (fileSystem().fileExists(folder + kArchiver)) return folder;
    const std::size_t x86 = upperAscii(folder).find("(X86)");
    if (x86 != std::string::npos) {
        const std::string base = trimControls(folder.substr(0, x86));
        if (fileSystem().fileExists(base + kArchiver)) return base;
    }
    return folder;
}

}  // namespace velm
