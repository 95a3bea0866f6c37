// ThreadSanitizer builds only: GLib, GIO and its TLS module synchronise
// their worker threads with their own futex-based locks inside the
// uninstrumented system libraries, which the sanitizer cannot see; it then
// reports races between a pool thread and the thread that waits for it.
// The tests' loopback servers (cpp-httplib, also uninstrumented) show the
// same between two of their own pool threads once several requests are held
// at once. Linked into the programs that use the system downloader; the
// function is never called in other builds.
extern "C" const char* __tsan_default_suppressions() {
    return "race:libglib-2.0.so\n"
           "race:libgio-2.0.so\n"
           "race:libsoup-3.0.so\n"
           "race:libgnutls.so\n"
           "race:libgiognutls.so\n"
           "race:libcpp-httplib.so\n";
}
