#pragma once

#include <string>

#include "platform/Service.h"

namespace velm {

// Starting things without waiting for them.
class Shell {
public:
    virtual ~Shell() = default;
    // Opens a web or "mailto:" address with the default handler. Returns
    // false when no handler could be started.
    virtual bool openAddress(const std::string& address) = 0;
    // Starts a program from an ANSI command line, normally shown, with the
    // Windows quoting rules and no shell in between (so "*.exe" reaches the
    // program as it stands). Returns false when it could not be started.
    virtual bool startProgram(const std::string& commandLine) = 0;
};

inline Shell& shell() { return Service<Shell>::get(); }

}  // namespace velm
