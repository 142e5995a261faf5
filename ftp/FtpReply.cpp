#include "ftp/FtpReply.h"

#include "ftp/FtpErrors.h"
#include "platform/DecimalText.h"

namespace velm {

namespace {

int codeOf(const std::string& line) {
    if (line.size() < 3 || !isAsciiDigit(line[0]) || !isAsciiDigit(line[1]) ||
        !isAsciiDigit(line[2]))
        return 0;
    return (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
}

// Reads the next line and adds it, with its line break, to the reply's size:
// a server sending endless empty lines runs into the bound like any other.
bool readCountedLine(FtpLineReader& reader, std::string& line, std::size_t& size) {
    if (!reader.readLine(line)) return false;
    size += line.size() + 2;
    if (size > kMaxReplySize)
        throw FtpError("The server sent a reply longer than " + std::to_string(kMaxReplySize) +
                       " characters.");
    return true;
}

}  // namespace

std::string FtpReply::joinedText() const {
    std::string text;
    for (std::size_t i = 0; i < Text.size(); ++i) {
        if (i > 0) text += '\n';
        text += Text[i];
    }
    return text;
}

std::optional<FtpReply> readFtpReply(FtpLineReader& reader) {
    std::string line;
    std::size_t size = 0;
    do {
        if (!readCountedLine(reader, line, size)) return std::nullopt;
    } while (line.empty());

    FtpReply reply;
    reply.NumericCode = codeOf(line);
    reply.Text.push_back(line.size() > 4 ? line.substr(4) : std::string());
    if (line.size() < 4 || line[3] != '-') return reply;

    const std::string code = line.substr(0, 3);
    for (;;) {
        if (!readCountedLine(reader, line, size)) return std::nullopt;
        if (line.empty()) continue;
        const bool prefixed =
            line.size() >= 4 && line.compare(0, 3, code) == 0 && (line[3] == '-' || line[3] == ' ');
        reply.Text.push_back(prefixed ? line.substr(4) : line);
        if (prefixed && line[3] == ' ') return reply;
    }
}

}  // namespace velm
