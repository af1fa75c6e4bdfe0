// The words typed after kivren_custom_pass_add, kivren_custom_pass_color and
// kivren_custom_pass_save: whatever they hold, reading them never fails
// badly, and what is accepted is what the word says.
#include "formats/command_words.h"
#include "fuzz_check.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view word(reinterpret_cast<const char*>(data), size);
    std::string reason;

    if (const auto hash = readMeshHash(word, reason)) {
        // Printed the way the plugin prints hashes, it reads back the same.
        char printed[17];
        std::snprintf(printed, sizeof(printed), "%llx", static_cast<unsigned long long>(*hash));
        std::string again;
        fuzzCheck(readMeshHash(printed, again) == hash, "a hash reads back as printed");
    } else {
        fuzzCheck(!reason.empty(), "a refused hash says why");
    }

    reason.clear();
    if (const auto colour = readColourWord(word, reason)) {
        fuzzCheck(size == 7 && word[0] == '#', "a colour is #rrggbb");
        for (const float channel : {colour->r, colour->g, colour->b})
            fuzzCheck(channel >= 0.0f && channel <= 1.0f, "a colour channel lies in 0..1");
    } else {
        fuzzCheck(!reason.empty(), "a refused colour says why");
    }

    if (isPlainFileName(word)) {
        fuzzCheck(!word.empty() && word != "." && word != "..", "a plain name names a file");
        for (const char c : word) {
            fuzzCheck(c != '/' && c != '\\' && c != ':', "a plain name names no folder");
            fuzzCheck(static_cast<unsigned char>(c) >= 0x20,
                      "a plain name has no control character");
        }
    }
    return 0;
}
