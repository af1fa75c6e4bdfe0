#pragma once
// Reading the words that the ID pass commands are given. A word that cannot
// be read gives no value and a reason that completes the sentence
// "<command>: "<word>" <reason>".

#include "formats/mesh_key.h"

#include <optional>
#include <string>
#include <string_view>

// A MeshHash in hexadecimal: blanks around it, an optional 0x or 0X, digits of
// either case, and nothing else; at least one digit, at most 64 bits.
std::optional<MeshHash> readMeshHash(std::string_view word, std::string& reason);

// A colour "#rrggbb": seven characters, "#" and six hexadecimal digits.
std::optional<IdColour> readColourWord(std::string_view word, std::string& reason);

// A name that can only name a file inside the configuration folder: not
// empty, not "." or "..", no folder separator, no drive colon, no control
// character.
bool isPlainFileName(std::string_view name);
