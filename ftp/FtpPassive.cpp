#include "ftp/FtpPassive.h"

#include <vector>

#include "ftp/FtpErrors.h"
#include "ftp/FtpListingRules.h"
#include "platform/AsciiText.h"
#include "platform/DecimalText.h"

namespace velm {

namespace {

// A decimal number 0..255, blanks around it allowed; -1 otherwise.
int byteValue(const std::string& text) {
    const std::string_view t = trimBlanks(text);
    if (t.size() > 3) return -1;
    const auto value = readDigits<int>(t);
    return value && *value <= 255 ? *value : -1;
}

}  // namespace

SocketAddress parsePasvReply(const std::string& firstTextLine) {
    const std::string line = trimmed(firstTextLine);
    std::string part;
    const std::size_t open = line.find('(');
    if (open != std::string::npos) {
        const std::size_t close = line.find(')', open + 1);
        part = line.substr(open + 1,
                           close == std::string::npos ? std::string::npos : close - open - 1);
    } else {
        const std::size_t blank = line.rfind(' ');
        part = blank == std::string::npos ? line : line.substr(blank + 1);
    }

    std::vector<int> numbers;
    std::size_t from = 0;
    while (numbers.size() < 6) {
        const std::size_t comma = part.find(',', from);
        numbers.push_back(byteValue(
            part.substr(from, comma == std::string::npos ? std::string::npos : comma - from)));
        if (numbers.back() < 0) break;
        if (comma == std::string::npos) break;
        from = comma + 1;
    }
    if (numbers.size() < 6 || numbers.back() < 0)
        throw FtpError("The server sent an invalid passive address: " + line.substr(0, 200));

    SocketAddress address;
    address.host = std::to_string(numbers[0]) + "." + std::to_string(numbers[1]) + "." +
                   std::to_string(numbers[2]) + "." + std::to_string(numbers[3]);
    address.port = static_cast<std::uint16_t>(numbers[4] * 256 + numbers[5]);
    return address;
}

bool isRoutableAddress(const std::string& host) {
    if (host.starts_with("127") || host.starts_with("10.") || host.starts_with("169.254") ||
        host.starts_with("192.168"))
        return false;
    if (host.starts_with("172.")) {
        const std::size_t dot = host.find('.', 4);
        const int second =
            byteValue(host.substr(4, dot == std::string::npos ? std::string::npos : dot - 4));
        if (second >= 16 && second <= 31) return false;
    }
    return true;
}

std::string choosePasvHost(const std::string& replyHost, const std::string& controlPeer) {
    if (!isRoutableAddress(replyHost) && isRoutableAddress(controlPeer)) return controlPeer;
    return replyHost;
}

}  // namespace velm
