#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ftp/FtpLineReader.h"

namespace velm {

// One reply of the server: its three-digit code (0 when the first line does
// not begin with three digits) and its text lines without the code prefixes.
struct FtpReply {
    int NumericCode = 0;
    std::vector<std::string> Text;

    // The text lines joined with line breaks: the message of a reply error.
    std::string joinedText() const;
};

// The most a reply may hold in all, each line counted with its line break and
// the empty lines before and inside it too, so that a server sending an
// endless reply gets an error instead of unbounded memory and time.
inline constexpr std::size_t kMaxReplySize = 1024 * 1024;

// Reads one reply: empty lines are skipped (but counted); when the first line's fourth
// character is "-", lines are read up to one that begins with the same code
// followed by a blank. Returns nothing when the connection ended first.
// Raises FtpError when a line or the whole reply is too long.
std::optional<FtpReply> readFtpReply(FtpLineReader& reader);

}  // namespace velm
