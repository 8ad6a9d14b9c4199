// The words of the dpf tool's command lines that mean more than their text: block names and
// types, storage modes, image depths, colours, alpha, font sizes and spacing, sizes, points and
// sprite animations. Each parser reads one word and, when it is wrong, says why in words that
// follow the option's name ("must be 0, 1 or 2, not '7'") or, for an argument, in a sentence of
// its own. `problem` may be null.
//
// A command's table row checks its words with these parsers (Accepts), and the command reads the
// values it needs through the same ones (CommandLine::Get), so a word means one thing everywhere.
#ifndef NIMBREL_TOOLS_DPF_VALUES_H
#define NIMBREL_TOOLS_DPF_VALUES_H

#include <SDL.h>

#include <string>
#include <vector>

#include "NimbrelAuthoring.h"

bool ParseBlockName(const std::string& text, std::string* name, std::string* problem);
bool ParseBlockType(const std::string& text, std::string* type, std::string* problem);
// SND, a sound effect, or MUS, music.
bool ParseSoundType(const std::string& text, std::string* type, std::string* problem);
// 0 compressed, 1 stored as is, 2 masked.
bool ParseStorageMode(const std::string& text, int* mode, std::string* problem);
// 8, 16, 24 or 32 bits per pixel.
bool ParseDepth(const std::string& text, int* depth, std::string* problem);
// Six hexadecimal digits, red, green and blue: "FF00FF".
bool ParseColour(const std::string& text, SDL_Color* colour, std::string* problem);
// Surface alpha, 0 to 255.
bool ParseAlpha(const std::string& text, Uint8* alpha, std::string* problem);

// A font's rendering size in pixels, 1 to 1000.
bool ParsePixelSize(const std::string& text, int* size, std::string* problem);
// Extra pixels after each glyph of a font, -99 to 999.
bool ParseSpacing(const std::string& text, int* spacing, std::string* problem);
// A size in pixels, WIDTHxHEIGHT, each 1 to 32767 (what a frame or tile in a sprite or tile
// surface can measure): "32x48".
struct PixelSize {
    Uint32 width = 0, height = 0;
};
bool ParseSize(const std::string& text, PixelSize* size, std::string* problem);
// A point X,Y, each -32768 to 32767: "16,-4".
struct PixelPoint {
    int x = 0, y = 0;
};
bool ParsePoint(const std::string& text, PixelPoint* point, std::string* problem);
// One sprite animation, TYPE:LOOPSTART:MS[,MS...]: the type (loop, pingpong, once, or their
// numbers 2, 4, 8), the frame its loop starts at, and each frame's display time in milliseconds,
// which also count the frames: "pingpong:0:80,80,120".
bool ParseAnimation(const std::string& text, NimbrelAuthoring::SpriteAnimationSpec* animation, std::string* problem);
// TILE2, a tile, or TILB2, a button's tile.
bool ParseTileType(const std::string& text, std::string* type, std::string* problem);

// A button type: normal, complex, slider, progress, check or input (IButton's type codes).
bool ParseButtonType(const std::string& text, int* type, std::string* problem);
// A button's images, 3 or 4 PNG files separated by commas: "ok_n.png,ok_p.png,ok_o.png".
bool ParseImageList(const std::string& text, std::vector<std::string>* files, std::string* problem);
// An SDL key code, 1 to SDLK_LAST - 1.
bool ParseKeyCode(const std::string& text, int* key, std::string* problem);
// A button's range or value, 0 to 32767.
bool ParseButtonNumber(const std::string& text, int* number, std::string* problem);

// A parser as a check for a command's table row: the word parses, the value is not kept.
template <typename T>
struct ParsedValue;
template <typename T>
struct ParsedValue<bool (*)(const std::string&, T*, std::string*)> {
    typedef T type;
};
template <auto Parse>
bool Accepts(const std::string& text, std::string* problem) {
    typename ParsedValue<decltype(Parse)>::type value{};
    return Parse(text, &value, problem);
}

#endif
