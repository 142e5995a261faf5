#pragma once

#include <string>

#include "platform/DateTime.h"

namespace velm {

// The time a file system of the target keeps for `localTime`: seconds rounded
// down to even, no milliseconds. Only years 1980 to 2107 can be stored; others
// raise FileError naming the file.
DateParts storableFileTime(const std::string& name, DateTime localTime);

}  // namespace velm
