// What the mixer makes of a sound block's bytes: the one decision of which sound data the engine
// accepts and how it plays it, shared by ISoundFX's loads and the authoring tools' checks, so a
// tool never accepts a file the engine would refuse.
//   - A sound effect ("SND") is whatever the mixer decodes completely as a chunk.
//   - Music ("MUS") is whatever the mixer opens as music. Ogg Vorbis plays streamed from its
//     bytes; anything else (tracker modules...) is kept as bytes and decoded when played.
#ifndef NIMBREL_SOUND_SOUND_DECODING_H
#define NIMBREL_SOUND_SOUND_DECODING_H

#include <SDL.h>
#include <SDL_mixer.h>

// True when the bytes are Ogg Vorbis music, which the mixer streams while it plays.
bool IsStreamedMusic(const Uint8* bytes, int size);

// Decodes a sound effect from a stream over its bytes and closes the stream. The chunk (a
// decoded copy: the bytes may go), or null when the mixer cannot decode them (Mix_GetError says
// why).
Mix_Chunk* DecodeSoundEffect(SDL_RWops* stream);

// Opens music from the start of a stream, which must outlive the music. Null when the mixer
// cannot decode it (Mix_GetError says why).
Mix_Music* OpenMusic(SDL_RWops* stream);

#endif
