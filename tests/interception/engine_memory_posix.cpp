// The hook engine keeps its records and trampolines for the life of the
// process, even when the library that made them is unmapped: a draw may still
// be on its way through a trampoline. Once the plugin is unmapped, the leak
// checker sees that memory as leaked; it is expected, and is all that loading
// the plugin leaves behind.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
    return "leak:SimHost::startPlugin\n";
}
