// The engine's test seams: every way a unit test, benchmark or fuzzer changes how the engine
// behaves. Nothing else is meant to call these, and the engine never calls them itself; the
// library holding them (nimbrel_testing_library) is linked only into tests, benchmarks and
// fuzzers, never into a game.
//
// Each setting holds until it is reset (null, false or -1). The engine side of each seam is a
// small hook in the module it reaches into; this header is the one place that lists them.
//
// One seam is a build switch rather than a call: fuzz builds define NIMBREL_FUZZ_SKIP_CHECKSUM
// (CMake option of the same name), so IStuffDPF->Open accepts any checksum and fuzzed inputs
// reach the block search and the loaders.
#ifndef NIMBREL_TESTING_TEST_SEAMS_H
#define NIMBREL_TESTING_TEST_SEAMS_H

#include <SDL.h>
#include <SDL_mixer.h>

#include <cstdint>

#include "Nimbrel.h"
#include "core/cpu_identify.h"
#include "gfx/blit.h"
#include "platform/atomic_file.h"
#include "sound/sound_fx_hooks.h"

namespace NimbrelTestSeam {

// ---- Time and input -------------------------------------------------------------------------------
// Pacing cannot be tested against the real clock on a busy machine, and SDL 1.2 offers no public
// way to fake the mouse or the keyboard.

// The clock behind pacing, the time system and log timestamps. Null restores SDL's ticks.
void SetClock(Uint32 (*ticks)());
// A key table (indexed by SDL key code) that logic frames read instead of SDL's.
void SetKeyTable(const Uint8* table);
// Mouse state that logic frames read instead of SDL's.
void SetMouse(bool enabled, int x, int y, Uint8 buttons);

// ---- Processor ------------------------------------------------------------------------------------
// Makes processor detection read this report instead of the machine's, so every naming-table row
// and failure branch can run without owning that processor. Null restores the machine's.
void SetProcessorReport(const ProcessorReport* report);

// ---- Blits ----------------------------------------------------------------------------------------
// Replaces the SDL blit behind Nimbrel_Blit, to play a renderer that loses surfaces. Null
// restores SDL_UpperBlit.
void SetUpperBlit(UpperBlitFunction blit);

// ---- Fonts ---------------------------------------------------------------------------------------
// A font's glyph tables as CFont::Create made them (valid while the font lives), so a test can
// draw its own reference of a text from the tables and the bitmap without calling Print.
struct FontTables {
    const Sint32* positions; // 96 entries: mark-run middles, then the bitmap width
    const Sint32* advances;  // 96 entries: the advance of code 33 + i
    int spaceWidth;
    int cursorOffset;
    Uint32 colourKey;
    bool alphaPerPixel;
};
FontTables InspectFont(const CFont& font);

// ---- Sound ----------------------------------------------------------------------------------------
// The memory stream music entries read from (see sound/sound_fx_hooks.h); null restores
// SDL_RWFromMem. And a look into the music and sound tables.
void SetMusicStreamFactory(MusicStreamFactory factory);
MusicEntryView InspectMusic(int index);
Mix_Chunk* InspectSound(int index);

// ---- Crash-safe files -----------------------------------------------------------------------------
// For a child process started by a crash test: the next whole-file replacement writes only this
// many bytes of its temporary file (all of them when the value is larger), then ends the process
// at once with kReplaceCrashExitStatus, before the rename. -1 turns it off.
void SetReplaceCrashPoint(int64_t bytesBeforeCrash);

// Makes every write that would cover this file offset fail, as a damaged spot of a disk would, so
// a change can fail at its second step after its first succeeded. -1 turns it off.
void SetWriteFault(int64_t fileOffset);

} // namespace NimbrelTestSeam

#endif
