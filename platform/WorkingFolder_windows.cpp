#include <windows.h>

#include "platform/WorkingFolder.h"

namespace velm {

std::string workingFolder() {
    char buffer[MAX_PATH + 1];
    const DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
    return length > 0 && length < sizeof buffer ? std::string(buffer, length) : std::string();
}

}  // namespace velm
