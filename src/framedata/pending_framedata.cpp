// Frame data sampling still being built; replaced by the frame data subsystem.
#include "core/kivren.h"

void Kivren::sampleFrame(CanvasWrapper) {}
