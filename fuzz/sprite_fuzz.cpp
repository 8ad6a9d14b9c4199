// Fuzzes the sprite payloads. Each input is read as a "SPR2" payload and converted as a legacy
// "SPR" one; a conversion that succeeds must give a payload that parses. Every parsed sprite has
// its pixel rows read through and each animation run for a while: no frame it shows may lie
// outside its frame table or the sheet. Then the input goes through CSprite from a package (as
// "SPR2", or as "SPR", which the loader converts and stores) and is drawn.
//
// Seeds are the payloads the unit tests write into build/fuzz-seeds/sprite_fuzz/.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "Nimbrel.h"
#include "data/sprite_payload.h"
#include "fuzz_package.h"
#include "resources/sprite_animation.h"

namespace {

std::string packagePath;
SDL_Surface* target = nullptr;

void Start() {
    packagePath = ScratchPackagePath("sprite_fuzz");
    Nimbrel.Init(0);
    target = SDL_CreateRGBSurface(0, 64, 64, 32, 0xFF0000, 0xFF00, 0xFF, 0);
}

void Require(bool condition) {
    if (!condition) std::abort();
}

void CheckSprite(const spr::SpriteView& sprite) {
    const img::ImageView& sheet = sprite.sheet;
    ReadThrough(sheet);
    const Uint64 sheetWidth = sheet.format.width;
    Require(sprite.frameWidth > 0 && Uint64(sprite.frameWidth) <= sheetWidth);
    Require(Uint64(sprite.frameHeight) * sprite.animations.size() == sheet.format.height);
    for (const spr::SpriteAnimation& animation : sprite.animations) {
        const Uint64 frames = animation.frameTimes.size();
        Require(frames * Uint64(sprite.frameWidth) <= sheetWidth);
        if (animation.Frozen())
            Require(animation.startFrame < (frames ? frames : 1));
        else
            Require(animation.endFrame >= 1 && animation.endFrame <= frames && animation.loopStart < animation.endFrame &&
                    animation.startFrame < animation.endFrame);
        AnimationPlayhead playhead;
        StartAnimation(animation, &playhead);
        Uint32 now = 1;
        for (Uint64 step = 0; step < 3 * frames + 4; ++step) {
            Require(playhead.frame < (frames ? frames : 1));
            now += (frames ? animation.frameTimes[playhead.frame] : 0) + 1;
            StepAnimation(animation, &playhead, now);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool started = (Start(), true);
    (void)started;
    if (size == 0 || size > (1u << 22)) return 0;

    spr::SpriteView sprite;
    if (spr::ParseSprite(data, size, &sprite, nullptr)) CheckSprite(sprite);
    std::vector<Uint8> converted;
    if (spr::ConvertLegacySprite(data, size, &converted, nullptr)) {
        spr::SpriteView fromLegacy;
        Require(spr::ParseSprite(converted.data(), converted.size(), &fromLegacy, nullptr));
        CheckSprite(fromLegacy);
    }

    const int package = PackageHolding(packagePath, (size & 1) ? "SPR" : "SPR2", data, size);
    if (package <= 0) return 0;
    CSprite loaded;
    const int animations = loaded.Load(package, "fuzz", "fuzz");
    for (int a = 0; a < animations && a < 8; ++a) {
        loaded.SetAnimation(a);
        loaded.SetPosition(a * 3 - 4, a * 5 - 4, a & 1);
        loaded.Draw(target);
        loaded.Draw(target);
    }
    IStuffDPF->Close(package);
    return 0;
}
