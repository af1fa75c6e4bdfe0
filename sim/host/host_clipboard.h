#pragma once
// The clipboard as the stand-in host's programs see it. On Windows it is the
// system clipboard. Elsewhere the host keeps one text of its own and exports
// KivrenHostSetClipboardText, which a plugin finds among the program's
// symbols to write it.

#include <string>

// The clipboard's text, or an empty text when it holds none.
std::string hostClipboardText();
