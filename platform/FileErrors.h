#pragma once

#include <string>

#include "platform/Errors.h"

namespace velm {

// A FileError whose text names the file and gives the system's message for
// the Windows error code: `Cannot open file "x.txt". The system cannot find
// the file specified.`
FileError fileError(const std::string& action, const std::string& name, unsigned long code);

// Windows error codes used by the file-system implementations.
namespace win_error {
constexpr unsigned long fileNotFound = 2;
constexpr unsigned long pathNotFound = 3;
constexpr unsigned long accessDenied = 5;
constexpr unsigned long fileExists = 80;
constexpr unsigned long invalidName = 123;
}  // namespace win_error

}  // namespace velm
