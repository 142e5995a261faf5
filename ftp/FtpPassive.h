#pragma once

#include <string>

#include "platform/Socket.h"

namespace velm {

// The address of a 227 reply's first text line: between "(" and ")", or
// without "(" after the last blank; six comma-separated numbers, four for the
// host and two for the port (high byte first). Raises FtpError when the
// numbers are missing or out of range.
SocketAddress parsePasvReply(const std::string& firstTextLine);

// False for the loopback, private and link-local ranges: addresses beginning
// with "127", "10.", "169.254", "192.168", and 172.16 to 172.31.
bool isRoutableAddress(const std::string& host);

// Where the data connection goes: a server behind a router often announces
// its private address, so a private address from a public peer is replaced by
// the peer's.
std::string choosePasvHost(const std::string& replyHost, const std::string& controlPeer);

}  // namespace velm
