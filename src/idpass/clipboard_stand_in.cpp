#include "idpass/clipboard.h"

#include <dlfcn.h>

namespace {
// The program that hosts the plugin here may offer a clipboard by exporting
// this function (the stand-in host does, so that tests can read it back).
using SetClipboardText = void (*)(const char* text);
} // namespace

ClipboardFailure copyToClipboard(const std::string& text) noexcept {
    // A program that offers no clipboard has nothing to fail at.
    auto set =
        reinterpret_cast<SetClipboardText>(dlsym(RTLD_DEFAULT, "KivrenHostSetClipboardText"));
    if (set)
        set(text.c_str());
    return {};
}
