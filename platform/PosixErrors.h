#pragma once

namespace velm {

// The Windows error code nearest to a POSIX errno value, so that errors read
// the same on every system (ENOENT -> 2, EACCES -> 5, ...).
unsigned long windowsErrorFromErrno(int errnoValue);

}  // namespace velm
