#include "ftp/FtpListingLines.h"

#include <algorithm>
#include <string_view>

#include "ftp/FtpErrors.h"
#include "ftp/FtpLineReader.h"

namespace velm {

void FtpListingLines::append(const char* data, std::size_t size) {
    received_ += size;
    if (received_ > maxSize_)
        throw FtpError("The server sent a listing longer than " + std::to_string(maxSize_) +
                       " bytes.");
    const std::string_view text(data, size);
    std::size_t from = 0;
    while (from < text.size()) {
        const std::size_t end = std::min(text.find_first_of("\r\n", from), text.size());
        if (current_.size() + (end - from) > FtpLineReader::kMaxLineLength)
            throw FtpError("The server sent a listing line longer than " +
                           std::to_string(FtpLineReader::kMaxLineLength) + " characters.");
        current_.append(text, from, end - from);
        if (end == text.size()) break;
        endLine();
        from = end + 1;
    }
}

void FtpListingLines::endLine() {
    if (current_.empty()) return;  // a blank line, or the LF of a CR LF
    if (lines_.size() == maxLines_)
        throw FtpError("The server sent a listing of more than " + std::to_string(maxLines_) +
                       " lines.");
    lines_.push_back(std::move(current_));
    current_.clear();
}

std::vector<std::string> FtpListingLines::take() {
    endLine();
    return std::move(lines_);
}

}  // namespace velm
