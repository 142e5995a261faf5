#include "signing/SmallFile.h"

#include <memory>

#include "platform/FileSystem.h"

namespace velm {

std::optional<std::string> readSmallFile(const std::string& name, std::size_t maxBytes) {
    const std::unique_ptr<InputFile> in = fileSystem().openForReading(name);
    std::string bytes(maxBytes + 1, '\0');
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const std::size_t got = in->read(bytes.data() + filled, bytes.size() - filled);
        if (got == 0) break;
        filled += got;
    }
    if (filled > maxBytes) return std::nullopt;
    bytes.resize(filled);
    return bytes;
}

}  // namespace velm
