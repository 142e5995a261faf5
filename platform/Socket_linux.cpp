// BSD sockets behind the socket wrapper.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

#include "platform/PosixFd.h"
#include "platform/Socket.h"
#include "platform/SocketErrors.h"

namespace velm {

namespace {

unsigned long wsaCode(int e) {
    switch (e) {
        case EINTR: return 10004;
        case EACCES:
        case EPERM: return 10013;
        case EINVAL: return 10022;
        case EMFILE:
        case ENFILE: return 10024;
        case EADDRINUSE: return 10048;
        case EADDRNOTAVAIL: return 10049;
        case ENETDOWN: return 10050;
        case ENETUNREACH: return 10051;
        case ECONNABORTED:
        case EPIPE: return 10053;
        case ECONNRESET: return 10054;
        case ENOBUFS:
        case ENOMEM: return 10055;
        case ENOTCONN: return 10057;
        case ETIMEDOUT: return 10060;
        case ECONNREFUSED: return 10061;
        case EHOSTDOWN: return 10064;
        case EHOSTUNREACH: return 10065;
        default: return 10022;
    }
}

SocketError lastFailure(const std::string& what) { return socketFailure(wsaCode(errno), what); }

using Clock = std::chrono::steady_clock;

// Waits for `events` on the descriptors; returns the position of the first
// ready one, or -1 when the time ran out (negative timeout: no limit, 0: only
// look).
int waitFor(pollfd* fds, std::size_t count, int timeoutMs, const char* what) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0);
    for (;;) {
        int wait = -1;
        if (timeoutMs >= 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - Clock::now())
                                  .count();
            wait = left > 0 ? static_cast<int>(left) : 0;
        }
        const int n = ::poll(fds, count, wait);
        if (n > 0) {
            for (std::size_t i = 0; i < count; ++i)
                if (fds[i].revents != 0) return static_cast<int>(i);
        }
        if (n == 0) return -1;
        if (n < 0 && errno != EINTR) throw lastFailure(what);
    }
}

bool waitFor(int fd, short events, int timeoutMs, const char* what) {
    pollfd one{fd, events, 0};
    return waitFor(&one, 1, timeoutMs, what) == 0;
}

std::string addressText(const sockaddr_in& a) {
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &a.sin_addr, text, sizeof text);
    return text;
}

SocketAddress addressOf(int fd, bool peer) {
    sockaddr_in a{};
    socklen_t length = sizeof a;
    const int rc = peer ? ::getpeername(fd, reinterpret_cast<sockaddr*>(&a), &length)
                        : ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length);
    if (rc != 0) throw lastFailure(peer ? "Reading the peer address" : "Reading the local address");
    return {addressText(a), ntohs(a.sin_port)};
}

sockaddr_in ipv4(const std::string& host, std::uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    if (::inet_pton(AF_INET, host.c_str(), &a.sin_addr) != 1)
        throw socketFailure(10022, "Using the address " + host);
    return a;
}

int newSocket() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0) throw lastFailure("Creating a socket");
    return fd;
}

void setBlocking(int fd, bool blocking) {
    const int flags = ::fcntl(fd, F_GETFL, 0);
    ::fcntl(fd, F_SETFL, blocking ? flags & ~O_NONBLOCK : flags | O_NONBLOCK);
}

}  // namespace

std::string resolveHost(const std::string& host) {
    if (isIpv4Literal(host)) return host;
    addrinfo hints{};
    hints.ai_family = AF_INET;  // PASV and PORT speak IPv4 only
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int rc = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (rc != 0 || !found) {
        const unsigned long code = rc == EAI_AGAIN ? 11002 : rc == EAI_NODATA ? 11004 : 11001;
        throw socketFailure(code, "Resolving the host name " + host);
    }
    const std::string text = addressText(*reinterpret_cast<sockaddr_in*>(found->ai_addr));
    ::freeaddrinfo(found);
    return text;
}

std::string localAddressTowards(const std::string& host) {
    const sockaddr_in target = ipv4(host, 9);
    const PosixFd probe(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP));
    if (probe.get() < 0) throw lastFailure("Creating a socket");
    // A datagram socket's connect only picks the route; nothing is sent.
    if (::connect(probe.get(), reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0)
        throw lastFailure("Finding the route to " + host);
    return addressOf(probe.get(), false).host;
}

TcpSocket TcpSocket::connect(const std::string& host, std::uint16_t port, int timeoutMs,
                             const std::string& fromAddress) {
    const std::string address = resolveHost(host);
    const std::string what = "Connecting to " + address + ":" + std::to_string(port);
    const sockaddr_in target = ipv4(address, port);
    TcpSocket s(newSocket());
    const int fd = static_cast<int>(s.handle_);
    if (!fromAddress.empty()) {
        const sockaddr_in from = ipv4(fromAddress, 0);
        if (::bind(fd, reinterpret_cast<const sockaddr*>(&from), sizeof from) != 0)
            throw lastFailure(what);
    }
    if (timeoutMs > 0) setBlocking(fd, false);
    int rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&target), sizeof target);
    while (rc != 0 && errno == EINTR && timeoutMs <= 0)
        rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&target), sizeof target);
    if (rc != 0) {
        if (timeoutMs <= 0 || (errno != EINPROGRESS && errno != EINTR)) throw lastFailure(what);
        if (!waitFor(fd, POLLOUT, timeoutMs, what.c_str()))
            throw SocketTimeout("Connect timed out.");
        int error = 0;
        socklen_t length = sizeof error;
        ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
        if (error != 0) throw socketFailure(wsaCode(error), what);
    }
    if (timeoutMs > 0) setBlocking(fd, true);
    const int on = 1;  // commands are single short lines: send them at once
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return s;
}

std::size_t TcpSocket::read(char* data, std::size_t size, int timeoutMs) {
    if (!isOpen()) throw socketFailure(10057, "Reading");
    const int fd = static_cast<int>(handle_);
    for (;;) {
        if (timeoutMs > 0 && !waitFor(fd, POLLIN, timeoutMs, "Reading"))
            throw SocketTimeout("Read timed out.");
        const ssize_t n = ::recv(fd, data, size, 0);
        if (n >= 0) return static_cast<std::size_t>(n);
        if (errno != EINTR) throw lastFailure("Reading");
    }
}

void TcpSocket::write(const char* data, std::size_t size, int timeoutMs) {
    if (!isOpen()) throw socketFailure(10057, "Writing");
    const int fd = static_cast<int>(handle_);
    // Tried at once: a command almost always fits the send buffer, and a
    // wait asked first would cost a system call per command.
    bool wait = false;
    while (size > 0) {
        if (wait && !waitFor(fd, POLLOUT, timeoutMs, "Writing"))
            throw SocketTimeout("Write timed out.");
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL | (timeoutMs > 0 ? MSG_DONTWAIT : 0));
        wait = false;
        if (n < 0) {
            if (errno == EINTR) continue;
            if (timeoutMs > 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                wait = true;
                continue;
            }
            throw lastFailure("Writing");
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

bool TcpSocket::waitReadable(int timeoutMs) {
    if (!isOpen()) throw socketFailure(10057, "Waiting for data");
    return waitFor(static_cast<int>(handle_), POLLIN, timeoutMs, "Waiting for data");
}

SocketAddress TcpSocket::peerAddress() const { return addressOf(static_cast<int>(handle_), true); }

void TcpSocket::abort() {
    if (!isOpen()) return;
    const linger hard{1, 0};
    ::setsockopt(static_cast<int>(handle_), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    close();
}

TcpListener TcpListener::listen(const std::string& address, std::uint16_t portMin,
                                std::uint16_t portMax) {
    if (portMax < portMin) portMax = portMin;
    const std::string what = "Listening on " + address;
    TcpListener l;
    l.handle_ = newSocket();
    const int fd = static_cast<int>(l.handle_);
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    for (unsigned port = portMin;; ++port) {
        const sockaddr_in a = ipv4(address, static_cast<std::uint16_t>(port));
        if (::bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0) break;
        if (errno != EADDRINUSE || port >= portMax) throw lastFailure(what);
    }
    if (::listen(fd, 8) != 0) throw lastFailure(what);
    return l;
}

bool TcpListener::waitAcceptable(int timeoutMs) {
    if (!isOpen()) throw socketFailure(10057, "Waiting for a connection");
    return waitFor(static_cast<int>(handle_), POLLIN, timeoutMs, "Waiting for a connection");
}

TcpSocket TcpListener::accept(int timeoutMs) {
    if (!isOpen()) throw socketFailure(10057, "Accepting a connection");
    const int fd = static_cast<int>(handle_);
    for (;;) {
        if (timeoutMs > 0 && !waitFor(fd, POLLIN, timeoutMs, "Accepting a connection"))
            throw SocketTimeout("Accept timed out.");
        const int c = ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (c >= 0) {
            const int on = 1;
            ::setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            return TcpSocket(c);
        }
        if (errno != EINTR && errno != ECONNABORTED) throw lastFailure("Accepting a connection");
    }
}

SocketAddress SocketHandle::localAddress() const {
    return addressOf(static_cast<int>(handle_), false);
}

void SocketHandle::close() {
    if (!isOpen()) return;
    ::close(static_cast<int>(handle_));
    handle_ = kNoSocket;
}

int waitAnyReadable(std::initializer_list<NativeSocket> handles, int timeoutMs) {
    std::vector<pollfd> fds;
    for (NativeSocket h : handles) fds.push_back({static_cast<int>(h), POLLIN, 0});
    return waitFor(fds.data(), fds.size(), timeoutMs, "Waiting for data");
}

}  // namespace velm
