#include "core/reshade_log.h"

#include "core/reshade_addon.h"

void logToReShade(int level, const std::string& text) noexcept {
    logMessage(level, text.c_str());
}
