#include "sync/ChangeTest.h"

#include <cmath>

#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/FileTimes.h"

namespace velm {

bool differsToTheMinute(DateTime a, DateTime b) {
    const DateParts x = decodeDateTime(a);
    const DateParts y = decodeDateTime(b);
    return x.year != y.year || x.month != y.month || x.day != y.day || x.hour != y.hour ||
           x.minute != y.minute;
}

bool ArquivoDiferente(const std::string& name, DateTime remoteTime) {
    if (name == kLibrariesFolder) return false;
    if (!fileSystem().fileExists(name))
        return differsToTheMinute(DateTime{std::floor(clock().now().value)}, remoteTime);
    // A download is stamped with the server's time; a time the clocks skipped
    // reads back later, so compare with what the stamp reads back, or every
    // run would fetch that file again.
    return differsToTheMinute(fileSystem().modificationTime(name), stampedFileTime(remoteTime));
}

}  // namespace velm
