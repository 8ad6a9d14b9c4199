// The engine's millisecond clock: SDL's tick count, unless a test has installed a clock of its
// own (see testing/test_seams.h). Pacing, the time system and log timestamps all read it here.
#ifndef NIMBREL_CORE_CLOCK_H
#define NIMBREL_CORE_CLOCK_H

#include <SDL.h>

Uint32 EngineTicks();

typedef Uint32 (*EngineClock)();
// Test hook, set only through testing/test_seams.h. Null restores SDL's tick count.
void SetEngineClock(EngineClock clock);

#endif
