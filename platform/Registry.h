#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "platform/Service.h"

namespace velm {

enum class RegistryRoot { ClassesRoot, CurrentUser, LocalMachine, Users, CurrentConfig };

// A value's data: text for string, expandable-string (unexpanded) and binary
// values, a number for 32-bit integer values.
using RegistryValue = std::variant<std::string, std::int32_t>;

// Read-only access to the registry in the view of a 32-bit process. On
// Windows the real registry; on Linux a .reg export file named by the
// environment variable VELMUPDATE_REGISTRY.
class Registry {
public:
    // The codes of a missing key and of a value that cannot be read
    // (ERROR_FILE_NOT_FOUND, ERROR_CANTREAD).
    static constexpr unsigned long kKeyNotFound = 2;
    static constexpr unsigned long kCannotReadKey = 1012;

    virtual ~Registry() = default;
    // Raises OsError: when the key cannot be opened with the code and system
    // text of that failure (2 for a missing key); when the value is missing,
    // of another type, or a binary value cannot be read whole, with code 1012.
    virtual RegistryValue readValue(RegistryRoot root, const std::string& keyPath,
                                    const std::string& valueName) = 0;
};

inline Registry& registry() { return Service<Registry>::get(); }

}  // namespace velm
