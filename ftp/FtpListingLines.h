#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace velm {

// The most a listing may hold, so that a server sending an endless listing
// gets an error instead of all the memory: the bytes received, blank lines
// included, and the lines kept.
inline constexpr std::size_t kMaxListingSize = 16 * 1024 * 1024;
inline constexpr std::size_t kMaxListingLines = 100000;

// Splits a listing into lines as its data arrives, at CR LF, LF or CR. Empty
// lines make no entry, so they are not kept either. Raises FtpError when the
// listing outgrows its bounds or a line grows beyond the longest line.
class FtpListingLines {
public:
    FtpListingLines(std::size_t maxSize, std::size_t maxLines)
        : maxSize_(maxSize), maxLines_(maxLines) {}

    void append(const char* data, std::size_t size);
    // The lines received, the unfinished last one included.
    std::vector<std::string> take();

private:
    void endLine();

    std::size_t maxSize_;
    std::size_t maxLines_;
    std::size_t received_ = 0;
    std::vector<std::string> lines_;
    std::string current_;
};

}  // namespace velm
