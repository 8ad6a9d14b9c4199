// Nimbrel SDK: the authoring interface.
//
// What tools that make game data (the dpf package tool, the skin builder) need beyond Nimbrel.h:
// starting the engine parts a tool works with, reading and safely writing whole files, knowing a
// package's format version, turning artwork into the payloads the engine's loaders read (images
// from PNG files; fonts from TrueType files through FreeType, linked into this library only,
// never into the engine games link), and saying what the engine reads in a block. Every payload
// is built here, by the engine's own code, so a tool never writes data that the engine would read
// differently. Games do not need this header; tools link nimbrel_authoring_library besides the
// engine.
//
// Results follow the engine's style without its log: a function that can fail returns false and
// says why in `problem` (which may be null), in words fit for a tool's error message.
#ifndef NIMBREL_AUTHORING_H
#define NIMBREL_AUTHORING_H

#include <SDL.h>

#include "Nimbrel.h"

#include <cstddef>
#include <string>
#include <vector>

namespace NimbrelAuthoring {

// ---- The engine for a tool ------------------------------------------------------------------------

// Starts what a tool's commands work with, once at the start of a run: the log at level 2 (errors
// and warnings), handing every message to `logSink` and keeping no file; the compressor; and the
// package and image interfaces, IStuffDPF and IImage. No window, display or audio device is
// opened, so with no video mode set IImage->Load returns images in their stored format. Not for a
// process that runs Nimbrel.Init: fails when the interfaces exist already, and when the compressor
// does not start.
bool StartToolEngine(const char* toolName, ILogSystem::ConsoleSink logSink, std::string* problem);
// Destroys what StartToolEngine made and stops the log.
void StopToolEngine();

// ---- Files ----------------------------------------------------------------------------------------

// Reads a whole file into `bytes`.
bool ReadWholeFile(const char* path, std::string* bytes, std::string* problem);

// Writes (or replaces) a whole file so that a crash at any point leaves either the old file or
// the complete new one: a temporary file beside it, flushed, then renamed over it. A replaced
// file keeps its permissions, and a symbolic link keeps pointing at the updated file.
bool WriteWholeFile(const char* path, const void* data, size_t length, std::string* problem);

// Moves the file `from` over `to` in one step (both in one file system, such as a temporary file
// beside its target), so `to` is at every moment the old file or the new one.
bool MoveFileOver(const char* from, const char* to, std::string* problem);
// Removes a file; false when it could not be removed (or did not exist).
bool RemoveFile(const char* path);

// ---- Packages -------------------------------------------------------------------------------------

// The format version of the package file at `path`, from its identifier, without opening it as a
// package: 4 for the current format, 3 for the old one that IStuffDPF->Open converts, or whatever
// other version the identifier names. 0 when the file cannot be read, is no package, or names no
// version; `problem` then completes a sentence that starts with the file's name ("is not a DPF
// package").
int PackageVersion(const char* path, std::string* problem);

// ---- Images ---------------------------------------------------------------------------------------

// 8-bit red, green, blue, alpha per pixel, rows without padding.
struct RgbaImage {
    Uint32 width = 0;
    Uint32 height = 0;
    std::vector<Uint8> pixels;
    bool transparent = false; // the source has an alpha channel or a transparent colour

    // A new size, every pixel transparent black.
    void Resize(Uint32 newWidth, Uint32 newHeight) {
        width = newWidth;
        height = newHeight;
        pixels.assign(size_t(newWidth) * newHeight * 4, 0);
    }
    // The red, green, blue and alpha bytes of the pixel at (x, y).
    Uint8* Pixel(Uint32 x, Uint32 y) { return &pixels[4 * (size_t(y) * width + x)]; }
};

// How an image is stored in an "IMG" block.
struct ImagePayloadOptions {
    int depth = 0;            // 8, 16, 24 or 32; 0 chooses 32
    bool hasKey = false;      // keyColour is the transparent colour
    SDL_Color keyColour = {0, 0, 0, 0};
    Uint8 alpha = 255;        // surface alpha
};

// Decodes PNG file bytes at 8 bits per channel; 16-bit samples become the nearest 8-bit level.
bool DecodePNG(const void* bytes, size_t length, RgbaImage* image, std::string* problem);
// Encodes as RGBA when withAlpha, else RGB.
bool EncodePNG(const RgbaImage& image, bool withAlpha, std::vector<Uint8>* png, std::string* problem);

// The "IMG" payload of an image at the options' depth: 32-bit images with transparency keep it as
// an alpha channel; 16 bits are stored as 5-6-5; 8 bits as a palette of the image's colours. Fails
// for an 8-bit image of more than 256 colours, for a key colour an 8-bit image does not contain,
// and for images too large to store.
bool BuildImagePayload(const RgbaImage& image, const ImagePayloadOptions& options, std::vector<Uint8>* payload,
                       std::string* problem);

// A surface of any format back to RGBA. Pixels equal to an active colour key become transparent.
bool SurfaceToRgba(SDL_Surface* surface, RgbaImage* image);

// ---- Fonts ----------------------------------------------------------------------------------------

// How RenderFontBitmap draws the glyphs.
struct FontRenderOptions {
    int pixelSize = 16;                    // FreeType's size: pixels per em
    SDL_Color colour = {255, 255, 255, 0}; // the glyphs' colour; magenta is the mark colour
    bool outline = false;                  // a one-pixel outline around every glyph
    SDL_Color outlineColour = {0, 0, 0, 0};
};

// Renders the glyphs of codes 33 to 126 of a TrueType or OpenType file with FreeType (hinted,
// anti-aliased into the alpha channel; code 127 stays empty) into the bitmap CFont::Create reads:
//   - side by side, each glyph after a magenta run in the top row (the mark row), the first run
//     at column 0, so CFont finds 95 runs;
//   - each glyph placed so that CFont moves the pen by FreeType's advance (at least 2) and draws
//     its ink at FreeType's bearing from the pen: the runs are wide enough that glyphs reaching
//     left of their pen or past their advance keep all their ink;
//   - one baseline for all, the rows below the mark row spanning the font's ascent and descent;
//   - everything but ink fully transparent (0, 0, 0, 0): the bottom-left pixel, which CFont takes
//     for the transparent colour, is such a pixel, and so are the columns from the middle of the
//     run before '|' to the bar, which CFont measures to place the text cursor.
bool RenderFontBitmap(const char* fontFile, const FontRenderOptions& options, RgbaImage* bitmap, std::string* problem);

// The "FONT2" payload of a font bitmap and its spacing (extra pixels after each glyph): 32 bits
// per pixel, with an alpha channel when the bitmap is transparent; otherwise opaque, and the
// bottom-left pixel's colour is the transparent one. Fails for a bitmap SDL cannot hold.
bool BuildFontPayload(const RgbaImage& bitmap, int spacing, std::vector<Uint8>* payload, std::string* problem);

// What a font payload gives when the engine loads it.
struct FontFacts {
    int glyphs = 0;  // 95 when it loads
    int height = 0;  // CFont::GetHeight
    int spacing = 0; // CFont::GetSpacing
    int width = 0, bitmapHeight = 0;
};

// Loads a "FONT2" payload as CFont::Load loads the block `name` of `packageFile` (the names only
// label the engine's messages), with the engine's own CFont::Create. True when it comes back with
// all 95 glyphs; otherwise false with the reason: a damaged block, a bitmap Create refuses, or a
// mark row without exactly 95 runs (a bitmap without a mark row: empty columns that do not
// separate 95 glyphs).
bool CheckFontPayload(const std::vector<Uint8>& payload, const char* packageFile, const char* name, FontFacts* facts,
                      std::string* problem);

// ---- Sprites and tiles ------------------------------------------------------------------------------
// Their pixels are stored as an image's are (depth, key colour and alpha as for BuildImagePayload).

// One animation of a sprite, shown from one row of its sheet.
struct SpriteAnimationSpec {
    int type = 2;                   // 2 loop, 4 ping-pong, 8 play once
    int loopStart = 0;              // where a loop starts again and a ping-pong turns back
    std::vector<Uint32> frameTimes; // display time of each frame in ms; one per frame, from the row's left
};

// The display time of each frame when no animations are described.
const Uint32 kDefaultFrameTime = 100;

struct SpritePayloadOptions {
    ImagePayloadOptions pixels;
    Uint32 frameWidth = 0;
    Uint32 frameHeight = 0;
    int hotX = 0, hotY = 0; // subtracted from the sprite's position when it is drawn
    // One per row of the sheet, top row first. Empty: every row loops over all its frames, each
    // shown kDefaultFrameTime ms.
    std::vector<SpriteAnimationSpec> animations;
};

// Whether the options fit a sheet of this size: a whole number of frames each way, one animation
// per row of frames, each with 1 to as many frames as a row holds, a known type and a loop start
// among its frames, and a hot spot within 16 bits. A tool reports a misfit as wrong usage: the
// sheet is sound, the words describing it are not.
bool CheckSpriteSheet(Uint32 sheetWidth, Uint32 sheetHeight, const SpritePayloadOptions& options, std::string* problem);

// The "SPR2" payload of the sheet (CheckSpriteSheet's failures, then BuildImagePayload's). Each
// animation runs through all its frames; the engine starts the first one on its loop start and
// the others on frame 0, so they can show their frames before the loop start once. The sprite's
// initial position is 0, 0.
bool BuildSpritePayload(const RgbaImage& sheet, const SpritePayloadOptions& options, std::vector<Uint8>* payload,
                        std::string* problem);

struct TilePayloadOptions {
    ImagePayloadOptions pixels;
    // Both 0: the image is drawn whole. Otherwise it is a tile set of tiles of this size.
    Uint32 tileWidth = 0;
    Uint32 tileHeight = 0;
};

// Whether the options fit an image of this size: tiles, when asked for, divide it both ways.
bool CheckTileImage(Uint32 width, Uint32 height, const TilePayloadOptions& options, std::string* problem);

// The payload of a "TILE2" or "TILB2" block (the two types share it) at position 0, 0
// (CheckTileImage's failures, then BuildImagePayload's).
bool BuildTilePayload(const RgbaImage& image, const TilePayloadOptions& options, std::vector<Uint8>* payload,
                      std::string* problem);

// ---- Buttons --------------------------------------------------------------------------------------

// What a "BUT" block stores (ButtonDesc without the callback, which a block cannot hold).
struct ButtonSettings {
    int type = IButton::kNormal;
    Uint16 key = 0;          // associated SDL key code, 0 for none
    Uint32 selectColour = 0; // 0x00RRGGBB, 0 for no select box
    int x = 0, y = 0;        // -32768 to 32767
    int range = 0;           // slider, progress bar: -32768 to 32767
    int value = 0;           // slider, progress bar
    int marginX = 0, marginY = 0; // input box: the text's margins inside the box
};

// The tiles a button of that type loads, as the suffixes of its name: "_n", "_p", "_o", and "_s"
// for a complex button.
std::vector<std::string> ButtonImageSuffixes(int type);

// The "BUT" payload: fails for a type IButton does not know, the colour 0xFFFFFFFF, and values
// that do not fit their fields.
bool BuildButtonPayload(const ButtonSettings& settings, std::vector<Uint8>* payload, std::string* problem);

// Whether a button name fits the engine (at most IButton::kNameLength characters). A name ending
// in one of the suffixes the Setup launcher adds to its skin prefix ("_exit", "_tabgeneral" ...)
// is told how long that prefix may be.
bool CheckButtonName(const std::string& name, std::string* problem);

// Creates the button with the engine's own IButton->Load from a scratch package holding the
// "BUT" payload and its "TILB2" images (one per ButtonImageSuffixes entry, in that order), made
// at `scratchPackage` and removed again. True when the engine creates it; `description` then
// says what it made ("check button, 16x16, images radio_n, radio_p, radio_o"). Otherwise false
// with the reason (the engine's own message has gone to the log).
bool CheckButton(const std::string& name, const std::vector<Uint8>& button,
                 const std::vector<std::vector<Uint8>>& images, const char* scratchPackage, std::string* description,
                 std::string* problem);

// What a "BUT" payload says, for a listing: "slider, range 10, value 5, at 20,300, key 13".
bool DescribeButton(const void* bytes, size_t length, std::string* description, std::string* problem);
// The image size a tile payload ("TILB2", "TILE2") holds.
bool TileImageSize(const void* bytes, size_t length, Uint32* width, Uint32* height, std::string* problem);

// ---- What a block holds -----------------------------------------------------------------------------

// Whether DescribeBlock reads blocks of this type: sprites ("SPR2", and "SPR", which the engine
// converts when it loads it) and tiles ("TILE2", "TILB2", and "TILE", "TILB", likewise).
bool DescribesBlockType(const char* type);

// Reads a block's payload as the engine's loader for its type does: the same checks of every
// part against the block, the same mending of animations, the same surface made from the pixels.
// (The loaders themselves need a started engine and a package; the steps they add find the block
// and keep what was read, and refuse nothing this accepts.) True when the engine would load it,
// with a line saying what it holds:
//   "32x32 frames, 2 animations: loop of 4 frames, 100 ms each; once of 3 frames, 80-120 ms each"
//   "64x32, a tile set of 8 tiles of 16x16 (4 x 2)"
// and an empty line for a type it does not describe. False, with the reason, when the engine
// would refuse the payload.
bool DescribeBlock(const char* type, const void* bytes, size_t length, std::string* description, std::string* problem);

// ---- Sound ----------------------------------------------------------------------------------------

// Decodes sound bytes as ISoundFX will when it loads them from a block: as a sound effect ("SND")
// or as music ("MUS"), with the same mixer calls, on a silent audio driver. True when the engine
// will accept them; `description` then says what the mixer made of them.
bool CheckSoundData(const void* bytes, size_t length, bool music, std::string* description, std::string* problem);

} // namespace NimbrelAuthoring

#endif
