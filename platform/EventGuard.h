#pragma once

#include <exception>
#include <string>
#include <utility>

#include "platform/Dialogs.h"
#include "platform/Process.h"

namespace velm {

// Shows the standard error box for an error that no handler caught.
void showUnhandledError(const std::string& text);

// Every event handler entry runs through this guard: an error that escapes
// the handler ends it, the standard error box shows the error's text, and the
// window goes on as it was. No exception ever reaches the Qt event loop.
// A ProcessExit (thrown only by test replacements of Process::exit) passes
// through, so tests can observe the exit code.
template <class Handler>
void guarded(Handler&& handler) noexcept(false) {
    try {
        std::forward<Handler>(handler)();
    } catch (const ProcessExit&) {
        throw;
    } catch (const std::exception& e) {
        showUnhandledError(e.what());
    } catch (...) {
        showUnhandledError("Erro desconhecido");
    }
}

}  // namespace velm
