#include "formats/encoder_command_line.h"

#include <fmt/format.h>

std::string encoderCommandLine(std::string_view ffmpegPath, std::string_view pixelFormat,
                               std::uint32_t width, std::uint32_t height, std::int32_t fps,
                               std::string_view outputPath, bool proRes4444) {
    return fmt::format("\"{}\" -y -f rawvideo -pixel_format {} -video_size {}x{} -framerate {} "
                       "-i pipe:0 -c:v prores_ks -profile:v {} -pix_fmt {} -movflags "
                       "+faststart \"{}\"",
                       ffmpegPath, pixelFormat, width, height, fps, proRes4444 ? 4 : 3,
                       proRes4444 ? "yuv444p10le" : "yuv422p10le", outputPath);
}

bool safeInCommandLine(std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || byte < 0x20 || byte == 0x7F)
            return false;
    }
    return true;
}

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

std::vector<std::string> splitCommandLine(std::string_view line) {
    std::vector<std::string> words;
    std::size_t i = 0;

    // The program name: no escapes, as the loader reads it.
    std::string program;
    if (i < line.size() && line[i] == '"') {
        ++i;
        while (i < line.size() && line[i] != '"')
            program += line[i++];
        if (i < line.size())
            ++i;
    } else {
        while (i < line.size() && !isBlank(line[i]))
            program += line[i++];
    }
    words.push_back(std::move(program));

    for (;;) {
        while (i < line.size() && isBlank(line[i]))
            ++i;
        if (i >= line.size())
            break;
        std::string word;
        bool quoted = false;
        while (i < line.size() && (quoted || !isBlank(line[i]))) {
            if (line[i] == '\\') {
                std::size_t slashes = 0;
                while (i < line.size() && line[i] == '\\') {
                    ++slashes;
                    ++i;
                }
                if (i < line.size() && line[i] == '"') {
                    word.append(slashes / 2, '\\');
                    if (slashes % 2 == 1) {
                        word += '"';
                        ++i;
                    }
                    // An even count leaves the quote to toggle quoting below.
                } else {
                    word.append(slashes, '\\');
                }
                continue;
            }
            if (line[i] == '"') {
                if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
                    word += '"';
                    i += 2;
                    continue;
                }
                quoted = !quoted;
                ++i;
                continue;
            }
            word += line[i++];
        }
        words.push_back(std::move(word));
    }
    return words;
}
