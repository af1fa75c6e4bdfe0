#include "sdk_handles.h"

#include "sdk_backend.h"
#include "sim_console.h"
#include "sim_game.h"

#include <typeinfo>

// The host's SDK version that GameWrapper is told about.
constexpr long sdkVersion = BAKKESMOD_PLUGIN_API_VERSION;

std::shared_ptr<CVarManagerWrapper>
makeCVarManagerWrapper(const std::shared_ptr<SimConsole>& console) {
    return std::make_shared<CVarManagerWrapper>(sdk_backend::handOff(console), typeid(SimConsole));
}

std::shared_ptr<GameWrapper> makeGameWrapper(const std::shared_ptr<SimGame>& game) {
    return std::make_shared<GameWrapper>(sdk_backend::handOff(game), sdkVersion, typeid(SimGame));
}
