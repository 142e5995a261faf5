#include "platform/FileErrors.h"

namespace velm {

FileError fileError(const std::string& action, const std::string& name, unsigned long code) {
    return FileError(action + " \"" + name + "\". " + systemErrorMessage(code), code);
}

}  // namespace velm
