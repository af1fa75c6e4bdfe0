// The hook engine keeps its records and trampolines for the life of the
// process, even once the plugin that made them is unmapped (a draw may still
// be on its way through a trampoline). The leak checker of the sanitizer
// builds sees that memory as leaked once the plugin is gone.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
    return "leak:SimHost::startPlugin\n";
}

// Expected, so not worth a report at every exit.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_options() {
    return "print_suppressions=0";
}
