#include "platform/TextFiles.h"

#include "platform/TextLines.h"

namespace velm {

std::vector<std::string> readTextFile(FileSystem& files, const std::string& name) {
    auto file = files.openForReading(name);
    std::string text;
    char buffer[65536];
    while (const std::size_t n = file->read(buffer, sizeof buffer)) text.append(buffer, n);
    return splitTextLines(text);
}

void writeTextFile(FileSystem& files, const std::string& name,
                   const std::vector<std::string>& lines) {
    auto file = files.createFile(name);
    const std::string text = joinTextLines(lines);
    file->write(text.data(), text.size());
    file->close();
}

}  // namespace velm
