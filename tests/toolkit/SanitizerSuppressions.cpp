// fontconfig, Pango and GLib keep process-wide caches for the life of the
// process, and Pango starts fontconfig on a thread of its own; the
// sanitizers cannot see inside these uninstrumented libraries and would
// report their caches as leaks and their start-up as races. Our own code is
// still checked.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n"
           "leak:libpango-1.0.so\n"
           "leak:libpangoft2-1.0.so\n"
           "leak:libpangocairo-1.0.so\n"
           "leak:libharfbuzz.so\n"
           "leak:libglib-2.0.so\n"
           "leak:libgobject-2.0.so\n";
}

extern "C" const char* __tsan_default_suppressions() {
    return "race:libfontconfig.so\n"
           "race:libpango-1.0.so\n"
           "race:libpangoft2-1.0.so\n"
           "race:libglib-2.0.so\n";
}
