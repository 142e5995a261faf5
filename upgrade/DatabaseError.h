#pragma once

#include <string>
#include <string_view>

#include "platform/DecimalText.h"
#include "platform/Errors.h"

namespace velm {

// A database (catalogue, alias store or product database) refused or failed
// an operation. The text is what the operator sees.
class DatabaseError : public Error {
public:
    using Error::Error;
};

// The whole text as an integer; anything else (blanks included) is an error
// the operator sees with the text quoted.
template <typename Integer>
Integer integerOrDatabaseError(std::string_view text) {
    const auto value = readInteger<Integer>(text);
    if (!value)
        throw DatabaseError("'" + std::string(text) + "' n\xE3o \xE9 um valor inteiro v\xE1lido");
    return *value;
}

}  // namespace velm
