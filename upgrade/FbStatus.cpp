#include "upgrade/FbStatus.h"

#include <string>

#include "upgrade/FbError.h"

namespace velm {

std::string interpretStatus(const ISC_STATUS* status) {
    std::string message;
    const ISC_STATUS* cursor = status;
    char line[1024];
    while (fb_interpret(line, sizeof line, &cursor) > 0) {
        if (!message.empty()) message += "\r\n";
        message += line;
    }
    if (!message.empty() && message.back() == '.') message.pop_back();
    return message;
}

void FbStatus::check() const {
    if (failed()) raise();
}

void FbStatus::raise() const {
    throw FbError(interpretStatus(vector_), isc_sqlcode(vector_), vector_[1]);
}

}  // namespace velm
