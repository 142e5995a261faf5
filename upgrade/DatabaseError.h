#pragma once

#include <string>

#include "platform/Errors.h"

namespace velm {

// A database (catalogue, alias store or product database) refused or failed
// an operation. The text is what the operator sees.
class DatabaseError : public Error {
public:
    using Error::Error;
};

}  // namespace velm
