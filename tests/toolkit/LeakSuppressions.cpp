// fontconfig, Pango and GLib keep process-wide caches for the life of the
// process; LeakSanitizer would report them at exit from every test that
// draws text. Our own allocations are still checked.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n"
           "leak:libpango-1.0.so\n"
           "leak:libpangoft2-1.0.so\n"
           "leak:libpangocairo-1.0.so\n"
           "leak:libharfbuzz.so\n"
           "leak:libglib-2.0.so\n"
           "leak:libgobject-2.0.so\n";
}
