#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace velm {

// Splits what a connection delivers into lines ending in LF (a CR before the
// LF is dropped). A line is bounded: a peer that never ends one gets an error
// instead of unbounded memory.
class FtpLineReader {
public:
    static constexpr std::size_t kMaxLineLength = 64 * 1024;

    // Fills `data` with at most `size` bytes and returns how many; 0 when the
    // peer closed the connection.
    using Receive = std::function<std::size_t(char* data, std::size_t size)>;

    explicit FtpLineReader(Receive receive) : receive_(std::move(receive)) {}

    // The next line without its line break. False when the connection ended
    // (an unfinished last line is dropped). Raises FtpError when a line grows
    // beyond kMaxLineLength.
    bool readLine(std::string& line);
    // One receive into the buffer; false when the connection ended.
    bool fill();
    // Bytes received but not yet returned as lines.
    bool hasBufferedData() const { return buffer_.size() > start_; }
    // Discards everything buffered.
    void clear();

private:
    bool takeLine(std::string& line);

    Receive receive_;
    std::string buffer_;
    std::size_t start_ = 0;    // first byte not yet returned
    std::size_t scanned_ = 0;  // bytes from start_ known to hold no LF
};

}  // namespace velm
