#include "platform/EventGuard.h"

namespace velm {

void showUnhandledError(const std::string& text) {
    try {
        dialogs().error(standardErrorText(text));
    } catch (...) {
        // Nothing sensible is left to report to; the window goes on.
    }
}

}  // namespace velm
