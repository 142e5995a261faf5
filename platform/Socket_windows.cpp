// Winsock behind the socket wrapper.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include "platform/Socket.h"
#include "platform/SocketErrors.h"

namespace velm {

namespace {

// Winsock needs WSAStartup before the first call and WSACleanup at the end;
// one process-wide instance does both.
class Winsock {
public:
    Winsock() {
        WSADATA data;
        started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    ~Winsock() {
        if (started_) WSACleanup();
    }
    static void ensure() {
        static Winsock instance;
        if (!instance.started_) throw socketFailure(10091, "Starting Windows Sockets");
    }

private:
    bool started_ = false;
};

SocketError lastFailure(const std::string& what) {
    return socketFailure(static_cast<unsigned long>(WSAGetLastError()), what);
}

SOCKET native(NativeSocket h) { return static_cast<SOCKET>(h); }

using Clock = std::chrono::steady_clock;

enum class Wait { Read, Write };

// Waits on the sockets; returns the position of the first ready one, or -1
// when the time ran out (negative timeout: no limit, 0: only look). For a
// write wait a failed connection attempt counts as ready.
int waitFor(const SOCKET* sockets, std::size_t count, Wait kind, int timeoutMs,
            const char* what) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0);
    for (;;) {
        fd_set ready, failed;
        FD_ZERO(&ready);
        FD_ZERO(&failed);
        for (std::size_t i = 0; i < count; ++i) {
            FD_SET(sockets[i], &ready);
            FD_SET(sockets[i], &failed);
        }
        timeval limit{};
        timeval* wait = nullptr;
        if (timeoutMs >= 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - Clock::now())
                                  .count();
            const long ms = left > 0 ? static_cast<long>(left) : 0;
            limit.tv_sec = ms / 1000;
            limit.tv_usec = (ms % 1000) * 1000;
            wait = &limit;
        }
        const int n = ::select(0, kind == Wait::Read ? &ready : nullptr,
                               kind == Wait::Write ? &ready : nullptr, &failed, wait);
        if (n == SOCKET_ERROR) throw lastFailure(what);
        if (n == 0) return -1;
        for (std::size_t i = 0; i < count; ++i)
            if (FD_ISSET(sockets[i], &ready) || FD_ISSET(sockets[i], &failed))
                return static_cast<int>(i);
    }
}

bool waitFor(SOCKET s, Wait kind, int timeoutMs, const char* what) {
    return waitFor(&s, 1, kind, timeoutMs, what) == 0;
}

std::string addressText(const sockaddr_in& a) {
    const auto* b = reinterpret_cast<const unsigned char*>(&a.sin_addr);
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
    return text;
}

SocketAddress addressOf(SOCKET s, bool peer) {
    sockaddr_in a{};
    int length = sizeof a;
    const int rc = peer ? ::getpeername(s, reinterpret_cast<sockaddr*>(&a), &length)
                        : ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &length);
    if (rc != 0) throw lastFailure(peer ? "Reading the peer address" : "Reading the local address");
    return {addressText(a), ntohs(a.sin_port)};
}

sockaddr_in ipv4(const std::string& host, std::uint16_t port) {
    if (!isIpv4Literal(host)) throw socketFailure(10022, "Using the address " + host);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    auto* b = reinterpret_cast<unsigned char*>(&a.sin_addr);
    unsigned parts[4] = {};
    std::sscanf(host.c_str(), "%u.%u.%u.%u", &parts[0], &parts[1], &parts[2], &parts[3]);
    for (int i = 0; i < 4; ++i) b[i] = static_cast<unsigned char>(parts[i]);
    return a;
}

SOCKET newSocket() {
    Winsock::ensure();
    const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) throw lastFailure("Creating a socket");
    return s;
}

void setBlocking(SOCKET s, bool blocking) {
    u_long nonBlocking = blocking ? 0 : 1;
    ::ioctlsocket(s, FIONBIO, &nonBlocking);
}

void noDelay(SOCKET s) {
    const BOOL on = TRUE;
    ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
}

}  // namespace

std::string resolveHost(const std::string& host) {
    if (isIpv4Literal(host)) return host;
    Winsock::ensure();
    addrinfo hints{};
    hints.ai_family = AF_INET;  // PASV and PORT speak IPv4 only
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int rc = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (rc != 0 || !found)
        throw socketFailure(rc != 0 ? static_cast<unsigned long>(rc) : 11001,
                            "Resolving the host name " + host);
    const std::string text = addressText(*reinterpret_cast<sockaddr_in*>(found->ai_addr));
    ::freeaddrinfo(found);
    return text;
}

std::string localAddressTowards(const std::string& host) {
    const sockaddr_in target = ipv4(host, 9);
    Winsock::ensure();
    struct Probe {
        SOCKET s = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        ~Probe() {
            if (s != INVALID_SOCKET) ::closesocket(s);
        }
    } probe;
    if (probe.s == INVALID_SOCKET) throw lastFailure("Creating a socket");
    // A datagram socket's connect only picks the route; nothing is sent.
    if (::connect(probe.s, reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0)
        throw lastFailure("Finding the route to " + host);
    return addressOf(probe.s, false).host;
}

TcpSocket TcpSocket::connect(const std::string& host, std::uint16_t port, int timeoutMs,
                             const std::string& fromAddress) {
    const std::string address = resolveHost(host);
    const std::string what = "Connecting to " + address + ":" + std::to_string(port);
    const sockaddr_in target = ipv4(address, port);
    TcpSocket s(static_cast<NativeSocket>(newSocket()));
    const SOCKET h = native(s.handle_);
    if (!fromAddress.empty()) {
        const sockaddr_in from = ipv4(fromAddress, 0);
        if (::bind(h, reinterpret_cast<const sockaddr*>(&from), sizeof from) != 0)
            throw lastFailure(what);
    }
    if (timeoutMs > 0) setBlocking(h, false);
    if (::connect(h, reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0) {
        const int error = WSAGetLastError();
        if (timeoutMs <= 0 || error != WSAEWOULDBLOCK)
            throw socketFailure(static_cast<unsigned long>(error), what);
        if (!waitFor(h, Wait::Write, timeoutMs, what.c_str()))
            throw SocketTimeout("Connect timed out.");
        int result = 0;
        int length = sizeof result;
        ::getsockopt(h, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&result), &length);
        if (result != 0) throw socketFailure(static_cast<unsigned long>(result), what);
    }
    if (timeoutMs > 0) setBlocking(h, true);
    noDelay(h);  // commands are single short lines: send them at once
    return s;
}

std::size_t TcpSocket::read(char* data, std::size_t size, int timeoutMs) {
    if (!isOpen()) throw socketFailure(10057, "Reading");
    const SOCKET h = native(handle_);
    if (timeoutMs > 0 && !waitFor(h, Wait::Read, timeoutMs, "Reading"))
        throw SocketTimeout("Read timed out.");
    const int chunk = size > 0x40000000 ? 0x40000000 : static_cast<int>(size);
    const int n = ::recv(h, data, chunk, 0);
    if (n == SOCKET_ERROR) throw lastFailure("Reading");
    return static_cast<std::size_t>(n);
}

void TcpSocket::write(const char* data, std::size_t size, int timeoutMs) {
    if (!isOpen()) throw socketFailure(10057, "Writing");
    const SOCKET h = native(handle_);
    while (size > 0) {
        if (timeoutMs > 0 && !waitFor(h, Wait::Write, timeoutMs, "Writing"))
            throw SocketTimeout("Write timed out.");
        const int chunk = size > 0x40000000 ? 0x40000000 : static_cast<int>(size);
        const int n = ::send(h, data, chunk, 0);
        if (n == SOCKET_ERROR) throw lastFailure("Writing");
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

bool TcpSocket::waitReadable(int timeoutMs) {
    if (!isOpen()) throw socketFailure(10057, "Waiting for data");
    return waitFor(native(handle_), Wait::Read, timeoutMs, "Waiting for data");
}

SocketAddress TcpSocket::peerAddress() const { return addressOf(native(handle_), true); }

void TcpSocket::abort() {
    if (!isOpen()) return;
    linger hard{};
    hard.l_onoff = 1;
    hard.l_linger = 0;
    ::setsockopt(native(handle_), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard),
                 sizeof hard);
    close();
}

TcpListener TcpListener::listen(const std::string& address, std::uint16_t portMin,
                                std::uint16_t portMax) {
    if (portMax < portMin) portMax = portMin;
    const std::string what = "Listening on " + address;
    TcpListener l;
    l.handle_ = static_cast<NativeSocket>(newSocket());
    const SOCKET h = native(l.handle_);
    for (unsigned port = portMin;; ++port) {
        const sockaddr_in a = ipv4(address, static_cast<std::uint16_t>(port));
        if (::bind(h, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0) break;
        if (WSAGetLastError() != WSAEADDRINUSE || port >= portMax) throw lastFailure(what);
    }
    if (::listen(h, 8) != 0) throw lastFailure(what);
    return l;
}

bool TcpListener::waitAcceptable(int timeoutMs) {
    if (!isOpen()) throw socketFailure(10057, "Waiting for a connection");
    return waitFor(native(handle_), Wait::Read, timeoutMs, "Waiting for a connection");
}

TcpSocket TcpListener::accept(int timeoutMs) {
    if (!isOpen()) throw socketFailure(10057, "Accepting a connection");
    const SOCKET h = native(handle_);
    if (timeoutMs > 0 && !waitFor(h, Wait::Read, timeoutMs, "Accepting a connection"))
        throw SocketTimeout("Accept timed out.");
    const SOCKET c = ::accept(h, nullptr, nullptr);
    if (c == INVALID_SOCKET) throw lastFailure("Accepting a connection");
    noDelay(c);
    return TcpSocket(static_cast<NativeSocket>(c));
}

SocketAddress SocketHandle::localAddress() const { return addressOf(native(handle_), false); }

void SocketHandle::close() {
    if (!isOpen()) return;
    ::closesocket(native(handle_));
    handle_ = kNoSocket;
}

int waitAnyReadable(std::initializer_list<NativeSocket> handles, int timeoutMs) {
    std::vector<SOCKET> sockets;
    for (NativeSocket h : handles) sockets.push_back(native(h));
    return waitFor(sockets.data(), sockets.size(), Wait::Read, timeoutMs, "Waiting for data");
}

}  // namespace velm
