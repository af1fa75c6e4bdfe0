#include "host_clipboard.h"

#include <windows.h>

std::string hostClipboardText() {
    if (!OpenClipboard(nullptr))
        return {};
    std::string text;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const auto* chars = static_cast<const char*>(GlobalLock(data))) {
            text = chars;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}
