// Checking sound data for the authoring tools (NimbrelAuthoring.h): the engine's own decoding
// decision (sound/sound_decoding.h), on a mixer opened on the silent audio driver, since a tool
// decodes but never plays.
#include "NimbrelAuthoring.h"

#include <SDL_mixer.h>

#include "platform/environment.h"
#include "sound/sound_decoding.h"

namespace NimbrelAuthoring {

namespace {

// The mixer for the length of one check.
class SilentMixer {
public:
    SilentMixer() {
        SetEnvironmentVariable("SDL_AUDIODRIVER", "dummy");
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) < 0) {
            problem_ = SDL_GetError();
            return;
        }
        open_ = Mix_OpenAudio(44100, AUDIO_S16LSB, 2, 4096) == 0;
        if (!open_) problem_ = Mix_GetError();
    }
    ~SilentMixer() {
        if (open_) Mix_CloseAudio();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    SilentMixer(const SilentMixer&) = delete;
    SilentMixer& operator=(const SilentMixer&) = delete;

    bool open() const { return open_; }
    const std::string& problem() const { return problem_; }

private:
    bool open_ = false;
    std::string problem_;
};

bool Fail(std::string* problem, const std::string& text) {
    if (problem) *problem = text;
    return false;
}

} // namespace

bool CheckSoundData(const void* bytes, size_t length, bool music, std::string* description, std::string* problem) {
    if (!bytes || length == 0) return Fail(problem, "there is no sound data");
    if (length > 0x7FFFFFFFu) return Fail(problem, "the sound data is too large for a block (2 GiB at most)");
    SilentMixer mixer;
    if (!mixer.open()) return Fail(problem, "the mixer does not start (" + mixer.problem() + ")");

    const Uint8* data = static_cast<const Uint8*>(bytes);
    const int size = int(length);
    SDL_RWops* stream = SDL_RWFromConstMem(data, size);
    if (!stream) return Fail(problem, SDL_GetError());
    std::string what;
    if (!music) {
        Mix_Chunk* chunk = DecodeSoundEffect(stream);
        if (!chunk) return Fail(problem, Mix_GetError());
        what = "sound effect, " + std::to_string(chunk->alen) + " bytes decoded";
        Mix_FreeChunk(chunk);
    } else {
        Mix_Music* tune = OpenMusic(stream);
        const std::string reason = tune ? std::string() : Mix_GetError();
        if (tune) Mix_FreeMusic(tune); // before the stream it reads from
        SDL_RWclose(stream);
        if (!tune) return Fail(problem, reason);
        what = IsStreamedMusic(data, size) ? "Ogg Vorbis music, played streamed" : "music kept as bytes, decoded when played";
    }
    if (description) *description = what;
    return true;
}

} // namespace NimbrelAuthoring
