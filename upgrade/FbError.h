#pragma once

#include <string>

#include "upgrade/DatabaseError.h"

namespace velm {

// An error of the product database, as its client library reports it: the
// message is the server's interpreted status lines joined with CR LF, a final
// period removed; with it come the SQL code and the engine's own error code.
class FbError : public DatabaseError {
public:
    FbError(const std::string& message, long sqlCode, long engineCode)
        : DatabaseError(message), sqlCode_(sqlCode), engineCode_(engineCode) {}
    long sqlCode() const { return sqlCode_; }
    long engineCode() const { return engineCode_; }

private:
    long sqlCode_;
    long engineCode_;
};

}  // namespace velm
