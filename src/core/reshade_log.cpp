#include "core/reshade_log.h"

#include "core/module.h"
#include "reshade/reshade.hpp"

#include <atomic>

namespace {
std::atomic<HMODULE> ownModuleHandle{nullptr};
}

void setOwnModule(HMODULE module) noexcept {
    ownModuleHandle.store(module);
}
HMODULE ownModule() noexcept {
    return ownModuleHandle.load();
}

void logToReShade(int level, const std::string& text) noexcept {
    static const auto logMessage = [] {
        HMODULE reshadeModule = findReShadeModule();
        return reshadeModule ? reinterpret_cast<ReShadeLogMessageFn>(
                                   moduleExport(reshadeModule, "ReShadeLogMessage"))
                             : nullptr;
    }();
    if (logMessage)
        logMessage(ownModule(), level, text.c_str());
}
