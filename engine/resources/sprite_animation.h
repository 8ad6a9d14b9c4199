// Running a sprite's animation: which frame it shows and when it moves on.
//
// The animation comes from spr::ParseSprite, which makes every animation safe to run; the step
// below then never shows a frame outside 0 .. endFrame - 1 (or, frozen, the one it rests on).
#ifndef NIMBREL_RESOURCES_SPRITE_ANIMATION_H
#define NIMBREL_RESOURCES_SPRITE_ANIMATION_H

#include <SDL.h>

#include "data/sprite_payload.h"

// Where a running animation stands.
struct AnimationPlayhead {
    Uint16 frame = 0;
    int direction = 1;     // ping-pong: +1 forwards, -1 backwards
    Uint32 frameStart = 0; // ms when the frame started showing; 0 until the first step
};

// Puts the playhead on the animation's start frame, moving forwards, with its time not started.
void StartAnimation(const spr::SpriteAnimation& animation, AnimationPlayhead* playhead);

// One step at time `now` (ms). A frozen animation never moves: 2. Otherwise the first step starts
// the frame's time; once the frame's display time has passed, the playhead moves on and the frame
// starts again: 1. Before that: 2.
//   loop (2):      up to endFrame - 1, then back to the loop start;
//   ping-pong (4): up to endFrame - 1, back down to the loop start, and up again (a range of one
//                  frame stays on it);
//   play once (8): up to endFrame - 1, where it stays (still 1 each time the time passes);
//   other types:   the frame stays (still 1 each time the time passes).
int StepAnimation(const spr::SpriteAnimation& animation, AnimationPlayhead* playhead, Uint32 now);

#endif
