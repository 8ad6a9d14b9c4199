// Test hooks of the sound interface: reached only through testing/test_seams.h.
//
// The mixer gives no way to see which music objects exist or which bytes a music reads while it
// plays, so tests watch the music streams and look into the two tables through these.
#ifndef NIMBREL_SOUND_FX_HOOKS_H
#define NIMBREL_SOUND_FX_HOOKS_H

#include <SDL.h>
#include <SDL_mixer.h>

// Makes the memory stream a music entry reads from. The stream's close must free the stream
// itself (not the bytes under it). Null restores SDL_RWFromMem.
typedef SDL_RWops* (*MusicStreamFactory)(void* data, int size);
void SetMusicStreamFactory(MusicStreamFactory factory);

// One music entry as the table holds it.
struct MusicEntryView {
    int used;       // 0 or 1
    int kind;       // 0 streamed, 1 module
    int decoded;    // module entries: 1 while the music object exists
    bool hasMusic;  // a mixer music object exists
    bool hasStream; // the entry still holds its memory stream and bytes
};
// An index outside the table gives an all-zero view.
MusicEntryView InspectMusicEntry(int index);

// The chunk of a sound entry, or null (also for an index outside the table).
Mix_Chunk* InspectSoundEntry(int index);

#endif
