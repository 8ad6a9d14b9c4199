// Helpers for the button tests and the button benchmark: packages holding "BUT" blocks with
// one-colour tiles, and a frame driver that feeds the mouse and keys through the test seam and
// runs the frame pump the way an application's loop does.
#ifndef NIMBREL_TESTS_BUTTON_TEST_UTIL_H
#define NIMBREL_TESTS_BUTTON_TEST_UTIL_H

#include <SDL.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Nimbrel.h"
#include "core/byte_order.h"
#include "data/button_payload.h"
#include "data/tile_payload.h"
#include "testing/test_seams.h"

namespace buttontest {

// Colours of the four images, so a screen pixel tells which one was drawn.
const Uint32 kNormalColour = 0x204060;
const Uint32 kPressColour = 0xA0C0E0;
const Uint32 kOffColour = 0x808080;
const Uint32 kSelectColour = 0xFFD000;

inline std::vector<Uint8> SolidTile(Uint32 width, Uint32 height, Uint32 colour) {
    tile::TileSource source;
    source.image.width = width;
    source.image.height = height;
    source.image.bitsPerPixel = 32;
    source.image.redMask = 0xFF0000;
    source.image.greenMask = 0x00FF00;
    source.image.blueMask = 0x0000FF;
    std::vector<Uint8> rows(size_t(img::ImagePitch(width, 32)) * height);
    for (size_t at = 0; at + 4 <= rows.size(); at += 4) WriteLittle32(&rows[at], colour);
    source.rows = rows.data();
    std::vector<Uint8> payload;
    const char* problem = "";
    tile::BuildTile(source, &payload, &problem);
    return payload;
}

inline bool PutBlock(int package, const std::string& name, const std::string& type, std::vector<Uint8> payload) {
    DPFBlock block = {};
    std::snprintf(block.name, sizeof block.name, "%s", name.c_str());
    std::snprintf(block.type, sizeof block.type, "%s", type.c_str());
    block.mode = DPFBlock::kStored;
    block.originalSize = Uint32(payload.size());
    block.data = payload.data();
    return IStuffDPF->AddData(package, &block) > 0;
}

// What a test button looks like: its block and the sizes of its images (the knob of a slider is
// the press image).
struct TestButton {
    but::ButtonRecord record;
    Uint32 width = 40, height = 20;
    Uint32 pressWidth = 0, pressHeight = 0; // 0: as the normal image
    bool withSelect = false;                // a "_s" image even for types that do not need one
};

// Adds the "BUT" block and the tiles of a button to an open package.
inline bool AddButton(int package, const std::string& name, const TestButton& button) {
    const bool select = button.withSelect || button.record.type == IButton::kComplex;
    const Uint32 pw = button.pressWidth ? button.pressWidth : button.width;
    const Uint32 ph = button.pressHeight ? button.pressHeight : button.height;
    return PutBlock(package, name, "BUT", but::BuildButton(button.record)) &&
           PutBlock(package, name + "_n", "TILB2", SolidTile(button.width, button.height, kNormalColour)) &&
           PutBlock(package, name + "_p", "TILB2", SolidTile(pw, ph, kPressColour)) &&
           PutBlock(package, name + "_o", "TILB2", SolidTile(button.width, button.height, kOffColour)) &&
           (!select || PutBlock(package, name + "_s", "TILB2", SolidTile(button.width, button.height, kSelectColour)));
}

inline TestButton Button(int type, Sint16 x, Sint16 y, Uint32 width = 40, Uint32 height = 20) {
    TestButton button;
    button.record.type = Uint8(type);
    button.record.x = x;
    button.record.y = y;
    button.width = width;
    button.height = height;
    return button;
}

// The colour of a screen pixel as 0xRRGGBB.
inline Uint32 ScreenColour(int x, int y) {
    SDL_Surface* screen = Nimbrel.screen;
    Uint32 value = 0;
    const Uint8* at = static_cast<const Uint8*>(screen->pixels) + y * screen->pitch + x * screen->format->BytesPerPixel;
    std::memcpy(&value, at, screen->format->BytesPerPixel);
    Uint8 r, g, b;
    SDL_GetRGB(value, screen->format, &r, &g, &b);
    return Uint32(r) << 16 | Uint32(g) << 8 | b;
}

// A clock that moves only when Frames moves it, installed for the object's lifetime.
inline Uint32& FrameClock() {
    static Uint32 now = 10000;
    return now;
}
inline Uint32 FrameClockTicks() { return FrameClock(); }

// Runs the application loop of one logic frame with the mouse at (x, y) and `buttons` held: moves
// the clock on by one logic frame (20 a second), pumps until the logic frame has run, then draws
// the buttons as the loop body does. Run returns the identifier Draw returned. Needs the screen
// and ITimeSystem set to 20 logic frames a second.
class Frames {
public:
    Frames() { NimbrelTestSeam::SetClock(FrameClockTicks); }
    ~Frames() {
        NimbrelTestSeam::SetClock(nullptr);
        NimbrelTestSeam::SetMouse(false, 0, 0, 0);
        NimbrelTestSeam::SetKeyTable(nullptr);
    }
    Frames(const Frames&) = delete;
    Frames& operator=(const Frames&) = delete;

    int Run(int x, int y, Uint8 buttons) {
        NimbrelTestSeam::SetMouse(true, x, y, buttons);
        NimbrelTestSeam::SetKeyTable(keys);
        FrameClock() += 50;
        for (int call = 0; call < 8 && Nimbrel.Update(nullptr) != 0; ++call) {
        }
        return IButton->Draw();
    }
    Uint8 keys[SDLK_LAST] = {0};
};

} // namespace buttontest

#endif
