// kivren-repair: makes a cut-off ProRes recording playable again.
#include "repair_tool.h"

#include <iostream>
#include <string_view>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    return runRepairTool(args, std::cout, std::cerr);
}
