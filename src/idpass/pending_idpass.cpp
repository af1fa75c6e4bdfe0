// ID pass operations still being built; replaced by the ID pass subsystem.
#include "core/kivren.h"

MeshHash hashMeshKey(const MeshKey&) noexcept { return 0; }

void Kivren::onDrawIndexed(ID3D11DeviceContext*) {}
void Kivren::stepDebugModel(bool) {}
void Kivren::addSelectedMesh() {}
void Kivren::addMeshHash(const std::string&) {}
void Kivren::saveIdPass(const std::string&) {}
void Kivren::setHighlightFromWord(const std::string&) {}
void Kivren::clearIdPass() {}
void Kivren::installInterception() {}
void Kivren::removeInterception() {}
