#pragma once
// The system clipboard, written by debug-models stepping so that the selected
// hash can be pasted into kivren_custom_pass_add.

#include <cstdint>
#include <string>

// Which call failed, and the system's code (GetLastError() on Windows).
struct ClipboardFailure {
    const char* call = nullptr; // null when the text is on the clipboard
    std::uint32_t systemError = 0;
};

// Puts the text on the clipboard. The caller goes on either way; a failure
// only costs the copy.
ClipboardFailure copyToClipboard(const std::string& text) noexcept;
