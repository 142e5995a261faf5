#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>

#include "platform/Errors.h"

namespace velm {

// A failed socket call. The code is the Windows Sockets error number on every
// system (10054 connection reset, 10053 connection aborted, 10060 timed out,
// 10061 refused, 11001 host not found), so callers test one set of codes.
class SocketError : public OsError {
public:
    using OsError::OsError;

    static constexpr unsigned long kConnectionAborted = 10053;
    static constexpr unsigned long kConnectionReset = 10054;
    static constexpr unsigned long kTimedOut = 10060;
    static constexpr unsigned long kConnectionRefused = 10061;
    static constexpr unsigned long kHostNotFound = 11001;

    // The peer closed or broke the connection.
    bool connectionLost() const {
        return code() == kConnectionAborted || code() == kConnectionReset;
    }
};

// A wait ran out of time: "Connect timed out.", "Read timed out.",
// "Write timed out." or "Accept timed out.".
class SocketTimeout : public SocketError {
public:
    explicit SocketTimeout(const std::string& text) : SocketError(kTimedOut, text) {}
};

// The operating system's handle (a descriptor, or a Winsock SOCKET).
using NativeSocket = std::intptr_t;
inline constexpr NativeSocket kNoSocket = -1;

// An IPv4 address in dotted form and a port.
struct SocketAddress {
    std::string host;
    std::uint16_t port = 0;
};

// True for a dotted IPv4 address such as "127.0.0.1" (four numbers 0..255).
bool isIpv4Literal(const std::string& host);

// The first IPv4 address of a host name (a literal address is returned as it
// stands). Raises SocketError when the name cannot be resolved.
std::string resolveHost(const std::string& host);

// The local address that connections to `host` (dotted IPv4) leave from: the
// address of the interface the system routes them through. Sends nothing;
// raises SocketError when there is no route.
std::string localAddressTowards(const std::string& host);

// The one handle a socket or a listener owns: move-only, closed by the
// destructor.
class SocketHandle {
public:
    SocketHandle(const SocketHandle&) = delete;
    SocketHandle& operator=(const SocketHandle&) = delete;

    bool isOpen() const { return handle_ != kNoSocket; }
    NativeSocket handle() const { return handle_; }
    SocketAddress localAddress() const;

    // Closes without discarding data still on its way to the peer.
    void close();

protected:
    SocketHandle() = default;
    explicit SocketHandle(NativeSocket handle) : handle_(handle) {}
    ~SocketHandle() { close(); }
    SocketHandle(SocketHandle&& other) noexcept : handle_(other.handle_) {
        other.handle_ = kNoSocket;
    }
    SocketHandle& operator=(SocketHandle&& other) noexcept;

    NativeSocket handle_ = kNoSocket;
};

// A connected TCP stream, blocking. Time limits are in milliseconds: for
// connect, read, write and accept 0 or a negative value means no limit; for
// the wait functions a negative value means no limit and 0 only looks.
// Move-only; the destructor closes.
class TcpSocket : public SocketHandle {
public:
    TcpSocket() = default;
    explicit TcpSocket(NativeSocket handle) : SocketHandle(handle) {}

    // Resolves `host` when it is a name, then connects; from the local
    // address `fromAddress` (dotted IPv4) when one is given.
    static TcpSocket connect(const std::string& host, std::uint16_t port, int timeoutMs,
                             const std::string& fromAddress = {});

    // Reads what has arrived, at most `size` bytes, waiting for at least one.
    // Returns 0 when the peer has closed the connection.
    std::size_t read(char* data, std::size_t size, int timeoutMs);
    // Writes everything.
    void write(const char* data, std::size_t size, int timeoutMs);
    // True when a read would not block (data, or the peer's close, arrived).
    bool waitReadable(int timeoutMs);

    SocketAddress peerAddress() const;

    // Closes with a reset: the peer sees an aborted connection (used to
    // simulate faults in tests).
    void abort();
};

// A listening TCP socket for connections coming in (active FTP data).
class TcpListener : public SocketHandle {
public:
    // Listens on `address` (dotted IPv4), on the first free port of
    // portMin..portMax; 0..0 lets the system choose.
    static TcpListener listen(const std::string& address, std::uint16_t portMin,
                              std::uint16_t portMax);

    // True when a connection is waiting to be accepted.
    bool waitAcceptable(int timeoutMs);
    // Raises SocketTimeout "Accept timed out." when nobody connects in time.
    TcpSocket accept(int timeoutMs);
};

// Waits until one of the handles can be read (or accepted); returns its
// position in the list, or -1 when the time ran out.
int waitAnyReadable(std::initializer_list<NativeSocket> handles, int timeoutMs);

}  // namespace velm
