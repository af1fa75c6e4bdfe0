#include "recording/session_rules.h"

#include <climits>
#include <filesystem>

std::string joinPath(const std::string& folder, const std::string& file) {
    constexpr char separator = static_cast<char>(std::filesystem::path::preferred_separator);
    if (folder.empty() || folder.back() == '/' || folder.back() == separator)
        return folder + file;
    return folder + separator + file;
}

std::int32_t sessionRate(std::int32_t frames, std::int64_t milliseconds) {
    if (milliseconds <= 0)
        return 0;
    const double rate = static_cast<double>(static_cast<float>(frames)) /
                        (static_cast<double>(static_cast<float>(milliseconds)) / 1000.0);
    return rate >= static_cast<double>(INT32_MAX) ? INT32_MAX : static_cast<std::int32_t>(rate);
}

std::string freeTakeName(const std::string& folder, const std::string& name,
                         const std::function<bool(const std::string& path)>& exists) {
    constexpr int lastNumber = 9999;
    for (int number = 1; number <= lastNumber; ++number) {
        const std::string take = number == 1 ? name : name + " (" + std::to_string(number) + ")";
        bool taken = false;
        for (const char* suffix : takeFileSuffixes)
            taken = taken || exists(joinPath(folder, take + suffix));
        if (!taken)
            return take;
    }
    return {};
}
