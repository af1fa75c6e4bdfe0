#include "host_clipboard.h"

#include <mutex>

namespace {

std::mutex clipboardMutex;
std::string clipboard;

} // namespace

extern "C" __attribute__((visibility("default"))) void
KivrenHostSetClipboardText(const char* text) {
    std::lock_guard lock(clipboardMutex);
    clipboard = text ? text : "";
}

std::string hostClipboardText() {
    std::lock_guard lock(clipboardMutex);
    return clipboard;
}
