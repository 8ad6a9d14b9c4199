// The engine's test seams (test_seams.h): each forwards to the hook of the module it reaches.
#include "testing/test_seams.h"

#include "core/clock.h"
#include "core/nimbrel_private.h"
#include "platform/file_io.h"
#include "resources/font_private.h"

namespace NimbrelTestSeam {

void SetClock(Uint32 (*ticks)()) { SetEngineClock(ticks); }

void SetKeyTable(const Uint8* table) { Nimbrel.priv->testInput.keyTable = table; }

void SetMouse(bool enabled, int x, int y, Uint8 buttons) {
    TestInput& input = Nimbrel.priv->testInput;
    input.mouseEnabled = enabled;
    input.mouseX = x;
    input.mouseY = y;
    input.mouseButtons = buttons;
}

void SetProcessorReport(const ProcessorReport* report) { OverrideProcessorReport(report); }

void SetUpperBlit(UpperBlitFunction blit) { ::SetUpperBlit(blit); }

FontTables InspectFont(const CFont& font) {
    const CFont::Private& record = FontInternals::Record(font);
    return {record.positions, record.advances, record.spaceWidth, record.cursorOffset, record.colourKey,
            record.alphaPerPixel};
}

void SetMusicStreamFactory(MusicStreamFactory factory) { ::SetMusicStreamFactory(factory); }

MusicEntryView InspectMusic(int index) { return InspectMusicEntry(index); }

Mix_Chunk* InspectSound(int index) { return InspectSoundEntry(index); }

void SetReplaceCrashPoint(int64_t bytesBeforeCrash) { ::SetReplaceCrashPoint(bytesBeforeCrash); }

void SetWriteFault(int64_t fileOffset) { SetWriteFaultOffset(fileOffset); }

} // namespace NimbrelTestSeam
