#include "ftp/FtpLineReader.h"

#include "ftp/FtpErrors.h"

namespace velm {

namespace {

void lineTooLong() {
    throw FtpError("The server sent a line longer than " +
                   std::to_string(FtpLineReader::kMaxLineLength) + " characters.");
}

}  // namespace

bool FtpLineReader::takeLine(std::string& line) {
    const std::size_t lf = buffer_.find('\n', start_ + scanned_);
    if (lf == std::string::npos) {
        std::size_t pending = buffer_.size() - start_;
        if (pending > 0 && buffer_.back() == '\r') --pending;  // may be the start of CR LF
        if (pending > kMaxLineLength) lineTooLong();
        scanned_ = buffer_.size() - start_;
        return false;
    }
    std::size_t end = lf;
    if (end > start_ && buffer_[end - 1] == '\r') --end;
    if (end - start_ > kMaxLineLength) lineTooLong();
    line.assign(buffer_, start_, end - start_);
    start_ = lf + 1;
    scanned_ = 0;
    if (start_ == buffer_.size()) {
        buffer_.clear();
        start_ = 0;
    }
    return true;
}

bool FtpLineReader::readLine(std::string& line) {
    for (;;) {
        if (takeLine(line)) return true;
        if (!fill()) {
            clear();
            return false;
        }
    }
}

bool FtpLineReader::fill() {
    if (start_ > 0 && start_ * 2 >= buffer_.size()) {  // keep the buffer from creeping
        buffer_.erase(0, start_);
        start_ = 0;
    }
    char chunk[4096];
    const std::size_t n = receive_(chunk, sizeof chunk);
    if (n == 0) return false;
    buffer_.append(chunk, n);
    return true;
}

void FtpLineReader::clear() {
    buffer_.clear();
    start_ = 0;
    scanned_ = 0;
}

}  // namespace velm
