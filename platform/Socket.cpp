#include "platform/Socket.h"

#include "platform/SocketErrors.h"

namespace velm {

bool isIpv4Literal(const std::string& host) {
    int parts = 0;
    std::size_t i = 0;
    while (parts < 4) {
        std::size_t digits = 0;
        int value = 0;
        while (i < host.size() && host[i] >= '0' && host[i] <= '9' && digits < 4) {
            value = value * 10 + (host[i] - '0');
            ++i;
            ++digits;
        }
        if (digits == 0 || digits > 3 || value > 255) return false;
        ++parts;
        if (parts < 4) {
            if (i >= host.size() || host[i] != '.') return false;
            ++i;
        }
    }
    return i == host.size();
}

std::string socketErrorText(unsigned long code) {
    switch (code) {
        case 10004: return "A blocking operation was interrupted.";
        case 10013: return "An attempt was made to access a socket in a way forbidden by its access permissions.";
        case 10022: return "An invalid argument was supplied.";
        case 10024: return "Too many open sockets.";
        case 10048: return "Only one usage of each socket address is normally permitted.";
        case 10049: return "The requested address is not valid in its context.";
        case 10050: return "A socket operation encountered a dead network.";
        case 10051: return "A socket operation was attempted to an unreachable network.";
        case 10053:
            return "An established connection was aborted by the software in your host machine.";
        case 10054: return "An existing connection was forcibly closed by the remote host.";
        case 10055: return "No buffer space is available for the socket operation.";
        case 10057: return "The socket is not connected.";
        case 10060:
            return "A connection attempt failed because the connected party did not properly "
                   "respond after a period of time.";
        case 10061:
            return "No connection could be made because the target machine actively refused it.";
        case 10064: return "The remote host is down.";
        case 10065: return "A socket operation was attempted to an unreachable host.";
        case 11001: return "No such host is known.";
        case 11002: return "The name server did not answer; try again later.";
        case 11004: return "The requested name is valid, but no address of the requested type was found.";
        default: return "Socket error " + std::to_string(code) + ".";
    }
}

SocketHandle& SocketHandle::operator=(SocketHandle&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = other.handle_;
        other.handle_ = kNoSocket;
    }
    return *this;
}

SocketError socketFailure(unsigned long code, const std::string& what) {
    return SocketError(code, what + " failed: " + socketErrorText(code));
}

}  // namespace velm
