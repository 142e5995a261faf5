// Leak-checker settings of the test programs that load the Firebird engine
// and Qt's plugins.
//
// Thread-local storage is left out of the leak checker's root set: the
// engine's plugin libraries are loaded at run time and keep dynamic TLS
// blocks, and walking those at exit made the checker itself crash now and
// then (a bad range in its pointer scan). Leaving TLS out can only report
// more, never hide a leak of ours; what the system libraries keep through
// TLS alone is named below.
extern "C" const char* __lsan_default_options() {
    return "use_tls=0";
}

// The Firebird client keeps a few allocations of its login handshake (SRP,
// through libtommath) until the process ends; GLib (Qt's event dispatcher)
// and the dynamic loader keep per-thread data referenced only from TLS.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfbclient.so\n"
           "leak:libtommath.so\n"
           "leak:libglib-2.0.so\n"
           "leak:_dl_map_object_deps\n";
}
