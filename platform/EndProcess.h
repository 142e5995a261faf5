#pragma once

namespace velm {

// Flushes the standard output streams and ends the process with `code` at
// once. No destructor or atexit handler runs: the program ends the process
// from inside event handlers while windows, database connections and the
// message loop are in the middle of their work, and tearing them down from
// there is what must not happen; only written output must not be lost.
[[noreturn]] void endProcessAtOnce(int code);

}  // namespace velm
