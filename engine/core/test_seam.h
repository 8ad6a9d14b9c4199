// The engine's one test seam.
//
// SDL 1.2 offers no public way to fake the mouse or the keyboard, and pacing cannot be tested
// reliably against the real clock on a busy machine. Unit tests use these calls instead (the
// pacing benchmark too, to stop the engine's clock while it times its reference); the engine
// itself never does. Each setting holds until it is reset (null / false).
#ifndef NIMBREL_CORE_TEST_SEAM_H
#define NIMBREL_CORE_TEST_SEAM_H

#include <SDL.h>

namespace NimbrelTestSeam {

// The clock behind pacing, the time system and log timestamps. Null restores SDL's ticks.
void SetClock(Uint32 (*ticks)());

// A key table (indexed by SDL key code) that logic frames read instead of SDL's.
void SetKeyTable(const Uint8* table);

// Mouse state that logic frames read instead of SDL's.
void SetMouse(bool enabled, int x, int y, Uint8 buttons);

} // namespace NimbrelTestSeam

#endif
