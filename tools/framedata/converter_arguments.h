#pragma once
// The converter's command line: what to read, what to write, and how to
// convert. Parsing reports the first mistake as one line.

#include "frame_conversion.h"

#include <filesystem>
#include <span>
#include <string>
#include <string_view>

struct ConverterArguments {
    std::filesystem::path input;
    std::filesystem::path json; // an empty path: not wanted
    std::filesystem::path chan;
    std::filesystem::path csv;
    // Only the first entries, to match videos that a repair cut short.
    std::size_t frames = 0; // 0: all
    bool checkOnly = false;
    bool help = false;
    bool version = false;
    ConversionOptions conversion;
};

// args excludes the program's name.
bool parseConverterArguments(std::span<const std::string_view> args, ConverterArguments& line,
                             std::string& error);

std::string_view helpText();
