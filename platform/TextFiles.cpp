// Whole text files, through the streams of whichever file system is in use.
#include "platform/FileSystem.h"
#include "platform/TextLines.h"

namespace velm {

std::vector<std::string> FileSystem::readTextLines(const std::string& name) {
    auto file = openForReading(name);
    std::string text;
    char buffer[65536];
    while (const std::size_t n = file->read(buffer, sizeof buffer)) text.append(buffer, n);
    return splitTextLines(text);
}

void FileSystem::writeTextLines(const std::string& name, const std::vector<std::string>& lines) {
    auto file = createFile(name);
    const std::string text = joinTextLines(lines);
    file->write(text.data(), text.size());
    file->close();
}

}  // namespace velm
