#pragma once
// The host's two handles for a plugin, made as the host makes them: wrappers
// built from the addresses of its console and its game.

#include "bakkesmod/wrappers/GameWrapper.h"
#include "bakkesmod/wrappers/cvarmanagerwrapper.h"

#include <memory>

class SimConsole;
class SimGame;

std::shared_ptr<CVarManagerWrapper>
makeCVarManagerWrapper(const std::shared_ptr<SimConsole>& console);
std::shared_ptr<GameWrapper> makeGameWrapper(const std::shared_ptr<SimGame>& game);
