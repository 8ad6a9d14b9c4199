// The engine's one test seam: replacement clock, key table and mouse state for unit tests.
#include "core/test_seam.h"

#include "core/clock.h"
#include "core/nimbrel_private.h"

namespace NimbrelTestSeam {

void SetClock(Uint32 (*ticks)()) { SetEngineClock(ticks); }

void SetKeyTable(const Uint8* table) {
    Nimbrel.priv->testInput.keyTable = table;
}

void SetMouse(bool enabled, int x, int y, Uint8 buttons) {
    TestInput& input = Nimbrel.priv->testInput;
    input.mouseEnabled = enabled;
    input.mouseX = x;
    input.mouseY = y;
    input.mouseButtons = buttons;
}

} // namespace NimbrelTestSeam
