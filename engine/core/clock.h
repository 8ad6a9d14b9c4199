// The engine's millisecond clock: SDL's tick count, unless a test has installed a clock of its
// own (see core/test_seam.h). Pacing, the time system and log timestamps all read it here.
#ifndef NIMBREL_CORE_CLOCK_H
#define NIMBREL_CORE_CLOCK_H

#include <SDL.h>

Uint32 EngineTicks();

typedef Uint32 (*EngineClock)();
// Null restores SDL's tick count.
void SetEngineClock(EngineClock clock);

#endif
