// The Firebird client keeps a few allocations of its login handshake (SRP,
// through libtommath) until the process ends; the leak checker of the
// sanitizer build is told so here rather than in every run's options.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfbclient.so\n"
           "leak:libtommath.so\n";
}
