// Sound test data made by the tests themselves: a PCM WAV, an Ogg Vorbis file encoded with
// oggenc, a four-channel tracker module written byte by byte, and a memory stream that counts
// what the mixer does with it.
#ifndef NIMBREL_TESTS_SOUND_TEST_DATA_H
#define NIMBREL_TESTS_SOUND_TEST_DATA_H

#include <SDL.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>

#include "Nimbrel.h"
#include "support/test_support.h"

namespace soundtest {

inline void PutLE(std::string& out, Uint32 value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(char((value >> (8 * i)) & 0xFF));
}

inline void PutBE16(std::string& out, Uint16 value) {
    out.push_back(char(value >> 8));
    out.push_back(char(value & 0xFF));
}

// Signed 16-bit mono samples of a square wave.
inline std::string SquareWavePcm(int milliseconds, int rate, int toneHz) {
    std::string pcm;
    int samples = rate * milliseconds / 1000;
    int halfPeriod = rate / (2 * toneHz);
    for (int i = 0; i < samples; ++i) PutLE(pcm, Uint16((i / halfPeriod) % 2 ? -8000 : 8000), 2);
    return pcm;
}

// A canonical 16-bit mono PCM WAV.
inline std::string MakeWav(int milliseconds, int rate = 22050) {
    std::string pcm = SquareWavePcm(milliseconds, rate, 440);
    std::string wav = "RIFF";
    PutLE(wav, Uint32(36 + pcm.size()), 4);
    wav += "WAVEfmt ";
    PutLE(wav, 16, 4);
    PutLE(wav, 1, 2);        // PCM
    PutLE(wav, 1, 2);        // mono
    PutLE(wav, Uint32(rate), 4);
    PutLE(wav, Uint32(rate * 2), 4);
    PutLE(wav, 2, 2);        // block align
    PutLE(wav, 16, 2);       // bits per sample
    wav += "data";
    PutLE(wav, Uint32(pcm.size()), 4);
    return wav + pcm;
}

// A ProTracker module ("M.K.", four channels): one pattern that starts a looped square-wave
// sample on channel 0. The variant changes the title and the note, so two modules differ.
inline std::string MakeModule(int variant) {
    std::string mod(20, '\0');
    std::snprintf(&mod[0], 20, "test tune %d", variant);
    const Uint16 sampleWords = 16;
    for (int sample = 0; sample < 31; ++sample) {
        std::string header(22, '\0');
        bool used = sample == 0;
        if (used) std::memcpy(&header[0], "square", 6);
        mod += header;
        PutBE16(mod, used ? sampleWords : 0);
        mod.push_back(0);                    // finetune
        mod.push_back(char(used ? 64 : 0));  // volume
        PutBE16(mod, 0);                     // loop start
        PutBE16(mod, used ? sampleWords : 1); // loop length (1: no loop)
    }
    mod.push_back(1);    // orders in the song
    mod.push_back(127);  // restart position
    mod += std::string(128, '\0'); // order table: pattern 0
    mod += "M.K.";

    std::string pattern(64 * 4 * 4, '\0');
    Uint16 period = Uint16(variant % 2 ? 428 : 320);
    pattern[0] = char(0x00 | ((period >> 8) & 0x0F)); // sample number high nibble is 0
    pattern[1] = char(period & 0xFF);
    pattern[2] = char(0x10); // sample 1, no effect
    pattern[3] = 0;
    mod += pattern;
    for (int i = 0; i < sampleWords * 2; ++i) mod.push_back(char(i < sampleWords ? 100 : -100));
    return mod;
}

// An Ogg Vorbis file of a tone, encoded with oggenc in the current directory. Empty when oggenc
// failed.
inline std::string MakeOgg(int milliseconds) {
    const int rate = 22050;
    std::string pcm;
    int samples = rate * milliseconds / 1000;
    // A chord that moves, so the encoder cannot make it tiny.
    for (int i = 0; i < samples; ++i) {
        double t = double(i) / rate;
        double v = 0;
        for (int k = 1; k <= 6; ++k) v += std::sin(2 * M_PI * (220.0 * k + 40.0 * t * k) * t) / k;
        PutLE(pcm, Uint16(Sint16(v * 6000)), 2);
    }
    WriteFile("tone.raw", pcm);
    std::remove("tone.ogg");
    int status = std::system("oggenc -Q -r -B 16 -C 1 -R 22050 --raw-endianness 0 -o tone.ogg tone.raw");
    if (status != 0 || !FileExists("tone.ogg")) return std::string();
    return ReadFile("tone.ogg");
}

// Adds a block stored as is; true on success.
inline bool AddBlock(int package, const std::string& type, const std::string& name, const std::string& payload) {
    DPFBlock block;
    std::memset(&block, 0, sizeof block);
    std::strncpy(block.name, name.c_str(), sizeof block.name - 1);
    std::strncpy(block.type, type.c_str(), sizeof block.type - 1);
    block.mode = DPFBlock::kStored;
    block.originalSize = Uint32(payload.size());
    block.data = reinterpret_cast<Uint8*>(const_cast<char*>(payload.data()));
    return IStuffDPF->AddData(package, &block) > 0;
}

// ---- Counting streams -----------------------------------------------------------------------------

// What the mixer did with one music stream.
struct StreamCounts {
    const Uint8* data = nullptr;
    int size = 0;
    int reads = 0;         // read calls that returned bytes
    long bytesRead = 0;
    int rewinds = 0;       // seeks to offset 0 from the start
    int firstReadAfterRewind = -1; // offset of the first read after the last rewind
    bool readSinceRewind = false;
    int closes = 0;
};

// Every stream made since Reset, in order of creation. Stable addresses.
inline std::deque<StreamCounts>& Streams() {
    static std::deque<StreamCounts> streams;
    return streams;
}

struct CountingStream {
    SDL_RWops* inner;
    StreamCounts* counts;
};

inline CountingStream* StateOf(SDL_RWops* context) {
    return static_cast<CountingStream*>(context->hidden.unknown.data1);
}

inline int SDLCALL CountingSeek(SDL_RWops* context, int offset, int whence) {
    CountingStream* state = StateOf(context);
    if (offset == 0 && whence == RW_SEEK_SET) {
        ++state->counts->rewinds;
        state->counts->readSinceRewind = false;
    }
    return SDL_RWseek(state->inner, offset, whence);
}

inline int SDLCALL CountingRead(SDL_RWops* context, void* ptr, int size, int count) {
    CountingStream* state = StateOf(context);
    int at = SDL_RWtell(state->inner);
    int got = SDL_RWread(state->inner, ptr, size, count);
    if (got > 0) {
        ++state->counts->reads;
        state->counts->bytesRead += long(got) * size;
        if (!state->counts->readSinceRewind) {
            state->counts->firstReadAfterRewind = at;
            state->counts->readSinceRewind = true;
        }
    }
    return got;
}

inline int SDLCALL CountingWrite(SDL_RWops*, const void*, int, int) { return -1; }

inline int SDLCALL CountingClose(SDL_RWops* context) {
    CountingStream* state = StateOf(context);
    ++state->counts->closes;
    SDL_RWclose(state->inner);
    delete state;
    SDL_FreeRW(context);
    return 0;
}

inline SDL_RWops* MakeCountingStream(void* data, int size) {
    SDL_RWops* inner = SDL_RWFromMem(data, size);
    SDL_RWops* outer = SDL_AllocRW();
    if (!inner || !outer) return nullptr;
    Streams().emplace_back();
    StreamCounts* counts = &Streams().back();
    counts->data = static_cast<const Uint8*>(data);
    counts->size = size;
    outer->seek = CountingSeek;
    outer->read = CountingRead;
    outer->write = CountingWrite;
    outer->close = CountingClose;
    outer->hidden.unknown.data1 = new CountingStream{inner, counts};
    return outer;
}

} // namespace soundtest

#endif
