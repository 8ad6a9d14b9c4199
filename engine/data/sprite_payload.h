// The sprite block payloads: "SPR2", which CSprite loads, and the legacy "SPR" it converts.
//
// "SPR2" (little-endian):
//   offset  size  field
//   0       4     frame width (signed)
//   4       4     frame height
//   8       4     initial x position
//   12      4     initial y position
//   16      4     number of animations N
//   20      4     sheet width
//   24            N animations, each a 64-byte record followed by its F frame records of 16 bytes:
//                   record:  0 type (2 loop, 4 ping-pong, 8 play once), 4 frame count F,
//                            6 current frame (where the animation starts), 12 loop start,
//                            14 end frame, 16 hot spot x, 18 hot spot y (signed); the rest unused
//                   frame:   0 display time in milliseconds; the rest unused
//   then    40    pixel format record, as in "IMG" (data/image_payload.h)
//   then    n     the sheet's rows: sheet width x (N x frame height) pixels; frame i of animation
//                 a lies at (i x frame width, a x frame height)
//   then    1024  8-bit sheets only: the palette
//
// "SPR" is the same but for 12-byte animation records (the first 12 bytes of the new ones),
// frame tables of bare 32-bit display times, and a colour key of 0 meaning none.
//
// Reading trusts nothing in the block: each part is checked in 64 bits to lie inside it before it
// is read. Animations come out made safe to run (see SpriteAnimation).
#ifndef NIMBREL_DATA_SPRITE_PAYLOAD_H
#define NIMBREL_DATA_SPRITE_PAYLOAD_H

#include <SDL.h>

#include <vector>

#include "data/image_payload.h"

namespace spr {

const Uint32 kHeaderSize = 24;
const Uint32 kAnimationRecordSize = 64;
const Uint32 kFrameRecordSize = 16;
const Uint32 kLegacyAnimationRecordSize = 12;
const Uint32 kLegacyFrameRecordSize = 4;

enum AnimationType : Uint16 { kLoop = 2, kPingPong = 4, kPlayOnce = 8 };

// One animation: a row of the sheet.
//
// As parsed, an animation can always run without leaving its frames: either it is frozen
// (startFrame == endFrame, a frame that exists or frame 0, and it never moves), or
// 1 <= endFrame <= frame count and both loopStart and startFrame lie below endFrame. Stored values that break this are
// mended rather than refused: a frame count or end frame of 0 freezes the animation on frame 0;
// an end frame past the frame table is cut to the frame count; a start frame at or past the end
// frame, or a loop start past it, freezes the animation on its start frame (cut to the last
// frame).
struct SpriteAnimation {
    Uint16 type = kLoop;
    Uint16 loopStart = 0;
    Uint16 endFrame = 0;   // the frames shown are 0 .. endFrame - 1; frozen when startFrame equals it
    Uint16 startFrame = 0; // for animation 0 the loop start, for the others the stored current frame
    Sint16 hotX = 0;       // subtracted from the position when drawing
    Sint16 hotY = 0;
    std::vector<Uint32> frameTimes; // display time of each frame, in ms; its size is the frame count

    bool Frozen() const { return startFrame == endFrame; }
};

// A parsed "SPR2" payload. The pixel view points into the block it was parsed from.
struct SpriteView {
    Sint32 frameWidth = 0;  // 1 .. sheet width
    Sint32 frameHeight = 0; // at least 1
    Sint32 x = 0, y = 0;
    std::vector<SpriteAnimation> animations; // at least one; each fits in the sheet's width
    img::ImageView sheet;                    // sheet width x (animations x frame height)
};

// Checks and parses a "SPR2" payload of `size` bytes. False, with the reason in `problem` (which
// may be null), when a part lies past the end of the block or the header, frames and sheet do not
// describe a sheet that holds every frame.
bool ParseSprite(const Uint8* data, Uint64 size, SpriteView* sprite, const char** problem);

// Converts a legacy "SPR" payload into the "SPR2" payload that holds the same sprite: each
// animation loops from frame 0 through all its frames, and a colour key of 0 becomes none. Checks
// the old payload as thoroughly as ParseSprite does the new one; false, with the reason, when it
// is damaged.
bool ConvertLegacySprite(const Uint8* data, Uint64 size, std::vector<Uint8>* converted, const char** problem);

// ---- Building -----------------------------------------------------------------------------------

// What a "SPR2" payload is built from: a sheet with one row of frames per animation, in any
// format an "IMG" payload can hold.
struct SpriteSource {
    img::ImageFormat sheet;             // width: the sheet's; height: animations x frame height
    const Uint8* rows = nullptr;        // pitch x height bytes, pitch from img::ImagePitch
    const SDL_Color* palette = nullptr; // 8-bit sheets: 256 colours
    Uint32 frameWidth = 0;
    Uint32 frameHeight = 0;
    Sint32 x = 0, y = 0;                // the initial position
    Sint16 hotX = 0, hotY = 0;          // the hot spot, written into every animation
    // Each animation's type, loop start, end frame, start frame (ignored for animation 0, which
    // starts at its loop start) and frame times; its hot spot is taken from above.
    std::vector<SpriteAnimation> animations;
};

// An animation of `frames` frames shown `milliseconds` each, from frame 0 through the last.
SpriteAnimation MakeAnimation(AnimationType type, Uint16 frames, Uint32 milliseconds);

// Builds the "SPR2" payload. False, with the reason, when the source does not describe a sprite
// ParseSprite accepts as it is (without mending any of its animations).
bool BuildSprite(const SpriteSource& source, std::vector<Uint8>* payload, const char** problem);

} // namespace spr

#endif
