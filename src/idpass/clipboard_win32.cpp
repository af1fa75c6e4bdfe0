#include "idpass/clipboard.h"

#include <windows.h>

#include <cstring>

namespace {

ClipboardFailure failed(const char* call) {
    return {call, GetLastError()};
}

} // namespace

ClipboardFailure copyToClipboard(const std::string& text) noexcept {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (!block)
        return failed("GlobalAlloc");
    void* memory = GlobalLock(block);
    if (!memory) {
        const ClipboardFailure failure = failed("GlobalLock");
        GlobalFree(block);
        return failure;
    }
    std::memcpy(memory, text.c_str(), text.size() + 1);
    GlobalUnlock(block);

    if (!OpenClipboard(nullptr)) {
        const ClipboardFailure failure = failed("OpenClipboard");
        GlobalFree(block);
        return failure;
    }
    EmptyClipboard();
    // On success the clipboard owns the block; on failure it is still ours.
    ClipboardFailure failure;
    if (!SetClipboardData(CF_TEXT, block)) {
        failure = failed("SetClipboardData");
        GlobalFree(block);
    }
    CloseClipboard();
    return failure;
}
