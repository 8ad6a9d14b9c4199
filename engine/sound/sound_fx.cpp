// ISoundFX: music and sound effects from DPF packages, over SDL_mixer.
//
// Owns the audio device flag, the process-wide music table (32 entries) and sound table (256
// entries), the reading of "MUS" and "SND" blocks, the choice between streamed Ogg music and
// module music decoded only while it is wanted, and the leak report at shutdown. The mixer does
// all decoding, mixing and channel management.
#include "Nimbrel.h"

#include <SDL_mixer.h>

#include <cstdlib>
#include <cstring>

#include "core/interface_log.h"
#include "sound/sound_decoding.h"
#include "sound/sound_fx_hooks.h"

namespace {

const int kMusicEntries = 32;
const int kSoundEntries = 256;

enum MusicKind : Uint8 {
    kStreamed = 0, // Ogg Vorbis: the mixer reads the bytes while the music plays
    kModule = 1,   // anything else: kept as bytes, decoded when played
};

// One music entry. Both kinds keep their bytes and the stream over them for as long as the
// entry lives: a streamed music reads them while it plays, and a module is decoded from them
// again whenever it is played after another module pushed it out.
struct MusicEntry {
    Uint16 used;
    Uint8 kind;
    Uint8 decoded; // modules only: the music object exists
    Mix_Music* music;
    SDL_RWops* stream;
    Uint8* bytes;
};

// The tables belong to the process, not to the interface object.
MusicEntry musicTable[kMusicEntries];
Mix_Chunk* soundTable[kSoundEntries];

MusicStreamFactory streamFactory = nullptr;

SDL_RWops* OpenMemoryStream(Uint8* bytes, int size) {
    if (streamFactory) return streamFactory(bytes, size);
    return SDL_RWFromMem(bytes, size);
}

const char* OrEmpty(const char* text) { return text ? text : ""; }

const char* PackageName(int handle) { return OrEmpty(::IStuffDPF->GetName(handle)); }

// Frees everything an entry holds. The music object goes first: a streamed music reads from the
// stream and the bytes until it is freed.
void ReleaseMusicEntry(MusicEntry& entry) {
    if (entry.music) Mix_FreeMusic(entry.music);
    if (entry.stream) SDL_RWclose(entry.stream);
    std::free(entry.bytes);
    entry = MusicEntry();
}

// Decodes a module entry from the start of its bytes.
Mix_Music* DecodeModule(MusicEntry& entry) { return OpenMusic(entry.stream); }

// At most one module is decoded at a time: frees the first other decoded module found.
void FreeOtherDecodedModule(int keep) {
    for (int i = 0; i < kMusicEntries; ++i) {
        MusicEntry& other = musicTable[i];
        if (i == keep || !other.used || other.kind != kModule || !other.decoded) continue;
        if (other.music) Mix_FreeMusic(other.music);
        other.music = nullptr;
        other.decoded = 0;
        return;
    }
}

// Takes the bytes into the first free entry. The index; -1 when the table is full or the bytes
// cannot be decoded, in which case the bytes still belong to the caller.
int RegisterMusic(Uint8* bytes, int size) {
    int index = 0;
    while (index < kMusicEntries && musicTable[index].used) ++index;
    if (index == kMusicEntries) {
        ILogSystem.Msg(2, " . [ISoundFX] Warning: reached maximum limit of music objects opened(%d)\n", kMusicEntries);
        SDL_SetError("no free music entry");
        return -1;
    }
    if (!bytes || size <= 0) return -1;

    SDL_RWops* stream = OpenMemoryStream(bytes, size);
    if (!stream) return -1;

    MusicEntry entry = MusicEntry();
    entry.stream = stream;
    if (IsStreamedMusic(bytes, size)) {
        entry.kind = kStreamed;
        entry.music = OpenMusic(stream);
        if (!entry.music) {
            SDL_RWclose(stream);
            return -1;
        }
    } else {
        // Decoding is put off until the module is played, but a block the mixer cannot decode
        // at all is refused now rather than taking an entry that can never play.
        entry.kind = kModule;
        Mix_Music* trial = OpenMusic(stream);
        if (!trial) {
            SDL_RWclose(stream);
            return -1;
        }
        Mix_FreeMusic(trial);
    }
    entry.bytes = bytes;
    entry.used = 1;
    musicTable[index] = entry;
    return index;
}

// Takes a chunk into the first free entry with the configured sound volume. The index, or -1
// when the table is full (the chunk still belongs to the caller).
int RegisterSound(Mix_Chunk* chunk) {
    int index = 0;
    while (index < kSoundEntries && soundTable[index]) ++index;
    if (index == kSoundEntries) {
        ILogSystem.Msg(2, " . [ISoundFX] Warning: reached maximum limit of sound objects opened(%d)\n", kSoundEntries);
        return -1;
    }
    soundTable[index] = chunk;
    Mix_VolumeChunk(chunk, Nimbrel.soundVolume); // the mixer caps it at its maximum, 128
    return index;
}

// Reads a block for a load. Its size, or 0 when it is missing (found is false) or cannot be
// read or is empty (found is true).
int ReadBlock(int handle, const char* type, const char* name, Uint8** bytes, bool* found) {
    DPFBlock block;
    int size = ::IStuffDPF->LoadBlock(handle, type, name, &block);
    *bytes = block.data;
    if (size > 0 && block.data) {
        *found = true;
        return size;
    }
    std::free(block.data);
    *bytes = nullptr;
    // LoadBlock gives 0 for a missing block and for an empty or damaged one alike.
    DPFBlock wanted;
    std::memset(&wanted, 0, sizeof wanted);
    std::strncpy(wanted.name, name, sizeof wanted.name - 1);
    std::strncpy(wanted.type, type, sizeof wanted.type - 1);
    *found = std::strlen(name) < sizeof wanted.name && ::IStuffDPF->FindBlock(handle, &wanted) == 1;
    if (*found) SDL_SetError("the block is empty or could not be read");
    return 0;
}

// The file forms: open the package, load through the handle form, close it again.
template <typename Load>
int LoadFromPackageFile(const char* packageFile, const char* name, Load load) {
    int handle = ::IStuffDPF->Open(OrEmpty(packageFile));
    if (handle <= 0) return -1; // IStuffDPF->Open has said why
    int index = load(handle, name);
    ::IStuffDPF->Close(handle);
    return index;
}

} // namespace

// ---- Test hooks -----------------------------------------------------------------------------------

void SetMusicStreamFactory(MusicStreamFactory factory) { streamFactory = factory; }

MusicEntryView InspectMusicEntry(int index) {
    MusicEntryView view = {0, 0, 0, false, false};
    if (index < 0 || index >= kMusicEntries) return view;
    const MusicEntry& entry = musicTable[index];
    view.used = entry.used ? 1 : 0;
    view.kind = entry.kind;
    view.decoded = entry.decoded;
    view.hasMusic = entry.music != nullptr;
    view.hasStream = entry.stream != nullptr && entry.bytes != nullptr;
    return view;
}

Mix_Chunk* InspectSoundEntry(int index) { return index >= 0 && index < kSoundEntries ? soundTable[index] : nullptr; }

// ---- The interface object -----------------------------------------------------------------------

struct ISoundFX::Private {
    Uint32 deviceFlag = 0; // every operation is a silent no-op while it is 0
    int deviceOpens = 0;   // successful Init calls not yet matched by a close of the device
};

class ISoundFX* ISoundFX = nullptr;

ISoundFX::ISoundFX() : priv(new Private) {
    for (MusicEntry& entry : musicTable) entry = MusicEntry();
    for (Mix_Chunk*& chunk : soundTable) chunk = nullptr;
    LogInterfaceCreated("ISoundFX");
}

ISoundFX::~ISoundFX() {
    int leftMusic = 0;
    for (MusicEntry& entry : musicTable) {
        if (!entry.used) continue;
        ReleaseMusicEntry(entry);
        ++leftMusic;
    }
    int leftSounds = 0;
    for (Mix_Chunk*& chunk : soundTable) {
        if (!chunk) continue;
        Mix_FreeChunk(chunk);
        chunk = nullptr;
        ++leftSounds;
    }
    CloseDevice();
    if (leftSounds)
        ILogSystem.Msg(2, " . [ISoundFX] Warning! your application has left %d sounds without deleting.", leftSounds);
    if (leftMusic)
        ILogSystem.Msg(2, " . [ISoundFX] Warning! your application has left %d music without deleting.", leftMusic);
    delete priv;
    LogInterfaceDeleted("ISoundFX");
}

// ---- Device ---------------------------------------------------------------------------------------

bool ISoundFX::Init(int frequency, Uint16 format, int channels, int chunkSize) {
    if (Mix_OpenAudio(frequency, format, channels, chunkSize) < 0) return false;
    ++priv->deviceOpens;
    priv->deviceFlag = 1;
    return true;
}

void ISoundFX::Disable() { priv->deviceFlag = 0; }

int ISoundFX::IsInitialized() const { return int(priv->deviceFlag); }

void ISoundFX::Quit() {
    if (!priv->deviceFlag) return;
    CloseDevice();
}

// Closes the device as often as Init opened it, so the mixer really lets it go, even when
// Disable was called after a successful Init.
void ISoundFX::CloseDevice() {
    while (priv->deviceOpens > 0) {
        Mix_CloseAudio();
        --priv->deviceOpens;
    }
    priv->deviceFlag = 0;
}

// ---- Loading --------------------------------------------------------------------------------------

int ISoundFX::MusicLoad(int package, const char* name) {
    if (!priv->deviceFlag || package <= 0) return -1;
    name = OrEmpty(name);
    Uint8* bytes = nullptr;
    bool found = false;
    int size = ReadBlock(package, "MUS", name, &bytes, &found);
    if (!found) {
        ILogSystem.Msg(0, " . [ISoundFX->MusicLoad('%s','%s')] Error: music not found.\n", PackageName(package), name);
        return -1;
    }
    int index = size > 0 ? RegisterMusic(bytes, size) : -1;
    if (index < 0) {
        std::free(bytes);
        ILogSystem.Msg(0, " . [ISoundFX->MusicLoad('%s','%s')] Error: music format unknown ('%s').\n",
                       PackageName(package), name, SDL_GetError());
        return -1;
    }
    return index;
}

int ISoundFX::MusicLoad(const char* packageFile, const char* name) {
    if (!priv->deviceFlag) return -1;
    return LoadFromPackageFile(packageFile, name, [this](int handle, const char* block) { return MusicLoad(handle, block); });
}

int ISoundFX::SoundLoad(int package, const char* name) {
    if (!priv->deviceFlag || package <= 0) return -1;
    name = OrEmpty(name);
    Uint8* bytes = nullptr;
    bool found = false;
    int size = ReadBlock(package, "SND", name, &bytes, &found);
    if (!found) {
        ILogSystem.Msg(0, " . [ISoundFX->SoundLoad('%s','%s')] Error: sound not found.\n", PackageName(package), name);
        return -1;
    }
    SDL_RWops* stream = size > 0 ? SDL_RWFromMem(bytes, size) : nullptr;
    if (size > 0 && !stream) {
        ILogSystem.Msg(0, " . [ISoundFX->SoundLoad('%s','%s')] Error: loading from RWops failed (%s).\n",
                       PackageName(package), name, SDL_GetError());
        std::free(bytes);
        return -1;
    }
    Mix_Chunk* chunk = DecodeSoundEffect(stream);
    std::free(bytes); // the chunk is a decoded copy
    if (!chunk) {
        ILogSystem.Msg(0, " . [ISoundFX->SoundLoad('%s','%s')] Error: sound format unknown.\n", PackageName(package),
                       name);
        return -1;
    }
    int index = RegisterSound(chunk);
    if (index < 0) Mix_FreeChunk(chunk);
    return index;
}

int ISoundFX::SoundLoad(const char* packageFile, const char* name) {
    if (!priv->deviceFlag) return -1;
    return LoadFromPackageFile(packageFile, name, [this](int handle, const char* block) { return SoundLoad(handle, block); });
}

// ---- Playing --------------------------------------------------------------------------------------

// A channel the mixer has, or -1 for "any free channel".
static bool IsMixerChannel(int channel) { return channel == -1 || (channel >= 0 && channel < Mix_AllocateChannels(-1)); }

int ISoundFX::MusicPlay(int index, int loops) {
    if (!priv->deviceFlag || index < 0 || index >= kMusicEntries) return 0;
    MusicEntry& entry = musicTable[index];
    if (!entry.used) return 0;
    if (entry.kind == kModule) {
        FreeOtherDecodedModule(index);
        if (!entry.music) {
            entry.music = DecodeModule(entry);
            entry.decoded = entry.music ? 1 : 0;
            if (!entry.music) {
                ILogSystem.Msg(0, " . [ISoundFX->MusicPlay(%d,%d)] Error: music could not be decoded (%s).\n", index,
                               loops, SDL_GetError());
                return -1;
            }
        }
    }
    return Mix_PlayMusic(entry.music, loops);
}

void ISoundFX::SoundPlay(int channel, int index, int loops) {
    if (!priv->deviceFlag || index < 0 || index >= kSoundEntries || !soundTable[index]) return;
    if (!IsMixerChannel(channel)) return;
    Mix_PlayChannelTimed(channel, soundTable[index], loops, -1);
}

int ISoundFX::SoundPlaying(int channel) {
    if (!priv->deviceFlag || !IsMixerChannel(channel)) return 0;
    return Mix_Playing(channel);
}

// ---- Releasing ------------------------------------------------------------------------------------

void ISoundFX::SoundDelete(int index) {
    if (!priv->deviceFlag || index < 0 || index >= kSoundEntries || !soundTable[index]) return;
    Mix_FreeChunk(soundTable[index]);
    soundTable[index] = nullptr;
}

void ISoundFX::MusicDelete(int index) {
    if (!priv->deviceFlag || index < 0 || index >= kMusicEntries || !musicTable[index].used) return;
    ReleaseMusicEntry(musicTable[index]);
}
