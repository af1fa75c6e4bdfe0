#pragma once
// What the plugin derives from a mesh's identity alone: whether its draws
// take part at all, and the colour it gets in the ID pass by default.

#include "formats/mesh_key.h"

// Draws that are left alone: not remembered, not highlighted, not coloured.
bool isExcludedDraw(const MeshKey& key) noexcept;

// The default colour of a mesh. The recipe runs in single precision, step by
// step, so a mesh gets the same colour in every run and on every machine.
IdColour autoColour(MeshHash hash) noexcept;
