#pragma once
// The system clipboard, written by debug-models stepping so that the selected
// hash can be pasted into kivren_custom_pass_add.

#include <string>

// Puts the text on the clipboard. Nothing is reported when the clipboard
// cannot be had; the caller goes on either way.
void copyToClipboard(const std::string& text) noexcept;
