// The engine's millisecond clock.
#include "core/clock.h"

namespace {
EngineClock installedClock = nullptr;
}

Uint32 EngineTicks() { return installedClock ? installedClock() : SDL_GetTicks(); }

void SetEngineClock(EngineClock clock) { installedClock = clock; }
