// What the mixer makes of a sound block's bytes (see sound_decoding.h).
#include "sound/sound_decoding.h"

#include <cstring>

bool IsStreamedMusic(const Uint8* bytes, int size) { return size >= 4 && std::memcmp(bytes, "OggS", 4) == 0; }

Mix_Chunk* DecodeSoundEffect(SDL_RWops* stream) {
    if (!stream) return nullptr;
    return Mix_LoadWAV_RW(stream, 1); // the mixer closes the stream
}

Mix_Music* OpenMusic(SDL_RWops* stream) {
    if (!stream) return nullptr;
    SDL_RWseek(stream, 0, RW_SEEK_SET);
    return Mix_LoadMUS_RW(stream);
}
