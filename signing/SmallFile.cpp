#include "signing/SmallFile.h"

#include <algorithm>
#include <memory>

#include "platform/FileSystem.h"

namespace velm {

std::optional<std::string> readSmallFile(const std::string& name, std::size_t maxBytes) {
    const std::unique_ptr<InputFile> in = fileSystem().openForReading(name);
    // Grown as the bytes come, not made maxBytes long up front: a bound of
    // megabytes costs nothing for the usual file of a few kilobytes.
    std::string bytes;
    std::size_t filled = 0;
    while (filled <= maxBytes) {
        if (filled == bytes.size())
            bytes.resize(std::min(maxBytes + 1, std::max<std::size_t>(64 * 1024, 2 * filled)));
        const std::size_t got = in->read(bytes.data() + filled, bytes.size() - filled);
        if (got == 0) break;
        filled += got;
    }
    if (filled > maxBytes) return std::nullopt;
    bytes.resize(filled);
    return bytes;
}

}  // namespace velm
