// kivren-framedata: converts a Kivren2 frame data file for other tools.
#include "converter.h"

#include <iostream>
#include <string_view>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    return runFrameDataTool(args, std::cout, std::cerr);
}
