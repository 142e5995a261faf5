#pragma once

#include <charconv>
#include <string>
#include <string_view>

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
    Integer value = 0;
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end)
        throw DatabaseError("'" + std::string(text) + "' n\xE3o \xE9 um valor inteiro v\xE1lido");
    return value;
}

}  // namespace velm
