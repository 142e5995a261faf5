#pragma once

#include <string>

#include "platform/Socket.h"

namespace velm {

// Windows' English text for a Windows Sockets error number, so that messages
// read alike on every system.
std::string socketErrorText(unsigned long code);

// "<what> failed: <text for code>" as a SocketError.
SocketError socketFailure(unsigned long code, const std::string& what);

}  // namespace velm
