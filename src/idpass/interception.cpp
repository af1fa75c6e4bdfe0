// Installing and switching off the interception of the game's indexed draws;
// until it is built, the plugin simply runs without it.
#include "core/kivren.h"

void Kivren::installInterception() {}

void Kivren::removeInterception() {}
