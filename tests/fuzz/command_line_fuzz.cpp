// The FFmpeg command line as the child splits it: any text splits without
// harm, and settings that pass the start's check come back from the split
// exactly, in their places, never as arguments of their own.
#include "formats/encoder_command_line.h"
#include "fuzz_check.h"

#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> anyWords = splitCommandLine(input);
    fuzzCheck(!anyWords.empty(), "a command line always names a program");

    // The input as an FFmpeg path and an output name, split at the first NUL.
    const std::size_t cut = input.find('\0');
    if (cut == std::string_view::npos)
        return 0;
    const std::string_view ffmpeg = input.substr(0, cut);
    // Output paths are a folder, a name and a suffix that ends in ".mov".
    const std::string output = std::string(input.substr(cut + 1)) + ".mov";
    if (!safeInCommandLine(ffmpeg) || !safeInCommandLine(output))
        return 0;
    const std::vector<std::string> reference =
        splitCommandLine(encoderCommandLine("ffmpeg", "bgra", 1920, 1080, 30, "out.mov"));
    const std::vector<std::string> words =
        splitCommandLine(encoderCommandLine(ffmpeg, "bgra", 1920, 1080, 30, output));
    fuzzCheck(words.size() == reference.size(), "settings add no argument");
    fuzzCheck(words.front() == ffmpeg, "the program is the FFmpeg path");
    fuzzCheck(words.back() == output, "the last argument is the output path");
    return 0;
}
