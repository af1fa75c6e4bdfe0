#pragma once
// Reads and checks a frame data log. The first problem stops the reading and
// is reported with its place in the file, so that a user can find it in a
// text editor: the line and column (both from 1) and the entry, which is also
// the frame of the Main video that it belongs to.

#include "frame_data.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

struct FrameDataError {
    std::size_t line = 0; // 0 when the problem has no place (an unreadable file)
    std::size_t column = 0;
    std::size_t entry = 0; // 0 when the problem is not inside an entry
    std::string message;
};

// "name:line:column: entry N: message", the form compilers use, so that
// editors and terminals can jump to the place.
std::string describeError(const FrameDataError& error, std::string_view fileName);

// Fills data and returns true, or fills error and returns false (data is then
// unspecified). Line breaks between entries are accepted, as an editor may add
// them; anything else beyond the format is an error.
bool parseFrameData(std::string_view text, FrameData& data, FrameDataError& error);

bool readFrameDataFile(const std::filesystem::path& path, FrameData& data, FrameDataError& error);
