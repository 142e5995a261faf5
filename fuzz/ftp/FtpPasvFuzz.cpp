// The 227 reply parser and the choice of the data connection's address.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ftp/FtpErrors.h"
#include "ftp/FtpPassive.h"
#include "platform/Socket.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        const velm::SocketAddress address = velm::parsePasvReply(text);
        if (!velm::isIpv4Literal(address.host)) __builtin_trap();
        const std::string chosen = velm::choosePasvHost(address.host, "200.1.2.3");
        if (chosen != address.host && chosen != "200.1.2.3") __builtin_trap();
    } catch (const velm::FtpError&) {
        // Not an address.
    }
    // The input as a control peer's address too.
    (void)velm::isRoutableAddress(text);
    return 0;
}
