#include <unistd.h>

#include <climits>
#include <exception>

#include "platform/AnsiCodePage.h"
#include "platform/WorkingFolder.h"

namespace velm {

std::string workingFolder() {
    char buffer[PATH_MAX];
    if (!getcwd(buffer, sizeof buffer)) return "";
    try {
        return utf8ToAnsi(buffer);
    } catch (const std::exception&) {
        return buffer;  // a name the code page cannot hold: its bytes as they are
    }
}

}  // namespace velm
