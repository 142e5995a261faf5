#include "sync/ChangeTest.h"

#include <cmath>

#include "platform/Clock.h"
#include "platform/FileSystem.h"

namespace velm {

bool differsToTheMinute(DateTime a, DateTime b) {
    const DateParts x = decodeDateTime(a);
    const DateParts y = decodeDateTime(b);
    return x.year != y.year || x.month != y.month || x.day != y.day || x.hour != y.hour ||
           x.minute != y.minute;
}

bool ArquivoDiferente(const std::string& name, DateTime remoteTime) {
    if (name == "Arquivos_dlls") return false;  // the libraries' folder is never fetched
    const DateTime local = fileSystem().fileExists(name)
                               ? fileSystem().modificationTime(name)
                               : DateTime{std::floor(clock().now().value)};
    return differsToTheMinute(local, remoteTime);
}

}  // namespace velm
