// Running a sprite's animation (see sprite_animation.h).
#include "resources/sprite_animation.h"

void StartAnimation(const spr::SpriteAnimation& animation, AnimationPlayhead* playhead) {
    playhead->frame = animation.startFrame;
    playhead->direction = 1;
    playhead->frameStart = 0;
}

namespace {

// Ping-pong between the loop start and the last frame. A start frame below the loop start climbs
// into the range first. Signed arithmetic, and the turn at the top checked against the loop start
// too, so that ranges of one or two frames neither leave the range nor stick at their lower end.
int NextPingPongFrame(const spr::SpriteAnimation& animation, AnimationPlayhead* playhead) {
    const int low = animation.loopStart;
    const int high = animation.endFrame - 1;
    int next = playhead->frame + playhead->direction;
    if (next > high) {
        next = high - 1;
        playhead->direction = -1;
    }
    if (playhead->direction < 0 && next <= low) {
        next = low;
        playhead->direction = 1;
    }
    return next;
}

} // namespace

int StepAnimation(const spr::SpriteAnimation& animation, AnimationPlayhead* playhead, Uint32 now) {
    if (animation.Frozen() || playhead->frame == animation.endFrame) return 2;
    if (playhead->frameStart == 0) playhead->frameStart = now;
    // The elapsed time in unsigned arithmetic, so a clock that wraps keeps the animation going.
    if (Uint32(now - playhead->frameStart) <= animation.frameTimes[playhead->frame]) return 2;

    playhead->frameStart = now;
    const int last = animation.endFrame - 1;
    switch (animation.type) {
    case spr::kLoop:
        playhead->frame = Uint16(playhead->frame < last ? playhead->frame + 1 : animation.loopStart);
        break;
    case spr::kPingPong:
        playhead->frame = Uint16(NextPingPongFrame(animation, playhead));
        break;
    case spr::kPlayOnce:
        playhead->frame = Uint16(playhead->frame < last ? playhead->frame + 1 : last);
        break;
    default:
        break;
    }
    return 1;
}
