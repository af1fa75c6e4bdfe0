#include "scratch_folder.h"

#include <atomic>
#include <chrono>
#include <random>
#include <string>

ScratchFolder::ScratchFolder() {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
        path_ = base / ("kivren-test-" + std::to_string(random()) + "-" +
                        std::to_string(counter.fetch_add(1)));
        if (std::filesystem::create_directory(path_))
            break;
    }
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}
