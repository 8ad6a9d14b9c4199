// dpf: makes and inspects DPF packages. Holds the table of commands, reads the command line
// against it (command_line.h), prints help, and runs one command on the engine parts a tool
// needs (NimbrelAuthoring.h).
//
// Exit status: 0 success, 1 failure, 2 wrong usage.
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "Nimbrel.h"
#include "NimbrelAuthoring.h"
#include "command_line.h"
#include "commands.h"
#include "values.h"

namespace {

// ---- The commands ---------------------------------------------------------------------------------
// A new command is one row here and its run function in commands.h.

const ArgumentSpec kPackage{"PKG"};
const ArgumentSpec kName{"NAME", Accepts<ParseBlockName>};
const ArgumentSpec kType{"TYPE", Accepts<ParseBlockType>};

const OptionSpec kKey{"--key", "KEYFILE", "the key of a protected package: a file of 1 to 56 bytes"};
const OptionSpec kMode{"--mode", "0|1|2", "how the block is stored: 0 compressed (the default), 1 as is,\n2 masked",
                       Accepts<ParseStorageMode>};
const OptionSpec kReplace{"--replace", nullptr,
                          "replace the block of that name and type; the old one is deleted\nonly once the new one is written"};

const OptionSpec kKeyColour{"--key-colour", "RRGGBB", "the colour drawn as transparent (hexadecimal red, green, blue)",
                            Accepts<ParseColour>};
const OptionSpec kDepth{"--depth", "8|16|24|32",
                        "32, the default: per-pixel alpha when the PNG has transparency,\nopaque when not; 24 or 16: "
                        "opaque, 16 bits stored as 5-6-5;\n8: a palette of the image's colours (at most 256)",
                        Accepts<ParseDepth>};

const Command kCommands[] = {
    {"create", {kPackage}, {kKey},
     "Creates an empty package. With --key, a protected one: its blocks are enciphered with the\n"
     "key read from KEYFILE, and every later command on it needs the same key.\n"
     "An existing file is never overwritten.",
     CreateCommand},
    {"list", {kPackage}, {kKey},
     "Lists the blocks, one line each: name, type, storage mode, original size, stored size;\n"
     "deleted blocks are marked. Sprites, tiles and buttons have a second line saying what the\n"
     "engine reads in them: frame size and animations, image size and tile grid, a button's type,\n"
     "size and images. Then the totals.",
     ListCommand},
    {"add", {kPackage, {"FILE"}, kName, kType}, {kMode, kReplace, kKey},
     "Adds FILE as the block NAME of type TYPE (at most 31 and 7 characters).", AddCommand},
    {"add-image", {kPackage, {"PNGFILE"}, kName},
     {kKeyColour, {"--alpha", "N", "surface alpha 0..255 (255, the default, is opaque)", Accepts<ParseAlpha>}, kDepth,
      kReplace, kKey},
     "Converts the PNG file into the image block NAME (type IMG, at most 31 characters), which\n"
     "IImage->Load reads back pixel for pixel. Transparency of the PNG is kept only at 32 bits;\n"
     "at other depths use --key-colour.",
     AddImageCommand},
    {"add-font", {kPackage, kName},
     {{"--ttf", "FILE", "a TrueType or OpenType font to render (with --size)"},
      {"--size", "PX", "the size to render at, in pixels per em (1..1000)", Accepts<ParsePixelSize>},
      {"--colour", "RRGGBB", "the glyphs' colour (default FFFFFF, white)", Accepts<ParseColour>},
      {"--outline", "RRGGBB", "a one-pixel outline of that colour around every glyph", Accepts<ParseColour>},
      {"--png", "FILE", "a drawn font bitmap instead: the glyphs of codes 33 to 127 side by side,\n"
                        "under a top row of 95 magenta (FF00FF) runs, one before each glyph;\n"
                        "or without that row, 95 glyphs separated by empty columns and ending\n"
                        "with one: the first is never drawn, the others are the codes 33 to 126"},
      {"--spacing", "N", "extra pixels after each glyph (default 0; may be negative)", Accepts<ParseSpacing>},
      kReplace, kKey},
     "Makes the font block NAME (type FONT2, at most 31 characters) that CFont::Load reads: from\n"
     "--ttf FILE --size PX, rendering the characters 33 to 126 with FreeType, anti-aliased into\n"
     "an alpha channel; or from --png FILE. The block is first loaded by the engine's own font\n"
     "code; one that does not come back with 95 glyphs is refused with the reason and the\n"
     "package is not changed.",
     AddFontCommand},
    {"add-sound", {kPackage, {"FILE"}, kName, {"SND|MUS", Accepts<ParseSoundType>}}, {kMode, kReplace, kKey},
     "Adds FILE as the block NAME (at most 31 characters) of type SND (a sound effect: WAV, AIFF,\n"
     "VOC or Ogg Vorbis) or MUS (music: Ogg Vorbis, which plays streamed, or anything else the\n"
     "mixer plays as music, such as MOD, S3M, XM or IT modules, kept as bytes until played).\n"
     "The file is first decoded by the mixer the engine plays it with; a file it cannot decode is\n"
     "refused with the mixer's reason and the package is not changed.",
     AddSoundCommand},
    {"add-xml", {kPackage, {"FILE"}, kName}, {kMode, kReplace, kKey},
     "Adds the XML document FILE as the block NAME (at most 31 characters) of type FILE, the\n"
     "type the engine reads documents from (a skin's layout.xml, a game's configuration).\n"
     "The document is first read by the engine's XML layer; one it cannot read is refused with\n"
     "the reason and the package is not changed.",
     AddXmlCommand},
    {"add-sprite", {kPackage, {"SHEET.png"}, kName},
     {{"--frame", "WxH", "the size of one frame; the sheet is a whole number of frames", Accepts<ParseSize>,
       false, true},
      {"--anim", "TYPE:LOOPSTART:MS[,MS...]",
       "one row's animation, such as pingpong:0:80,80,120; one for\neach row of the sheet, top row first",
       Accepts<ParseAnimation>, true},
      {"--hotspot", "X,Y", "the point of a frame drawn at the sprite's position (0,0,\nthe default, is its top left)",
       Accepts<ParsePoint>},
      kKeyColour, kDepth, kReplace, kKey},
     "Converts the PNG sheet into the sprite NAME (type SPR2, at most 31 characters), which\n"
     "CSprite loads. The sheet holds frames of the --frame size side by side, one row per\n"
     "animation. Each --anim describes one row, top row first: its type (loop, pingpong or once,\n"
     "or their numbers 2, 4, 8), the frame its loop starts at (a loop goes back to it, a\n"
     "ping-pong turns at it) and the display time of each frame in milliseconds, which also\n"
     "counts the frames the row shows. Without --anim every row loops over all its frames, 100 ms\n"
     "each. The block is read back the way the engine reads it before the package is changed.",
     AddSpriteCommand},
    {"add-tile", {kPackage, {"PNGFILE"}, kName},
     {{"--tileset", "WxH",
       "cut the image into tiles of this size, numbered from 1 row by\nrow; the size divides the image",
       Accepts<ParseSize>},
      {"--type", "TILE2|TILB2", "the block type: TILE2, the default, or TILB2 (buttons' tiles)",
       Accepts<ParseTileType>},
      kKeyColour, kDepth, kReplace, kKey},
     "Converts the PNG file into the tile NAME (at most 31 characters), which CTile loads: an\n"
     "image drawn whole or, with --tileset, a tile set drawn one tile at a time. The block is\n"
     "read back the way the engine reads it before the package is changed.",
     AddTileCommand},
    {"add-button", {kPackage, kName},
     {{"--type", "normal|complex|slider|progress|check|input", "the kind of widget", Accepts<ParseButtonType>, false,
       true},
      {"--images", "NORMAL.png,PRESSED.png,OFF.png[,SELECTED.png]",
       "the images, stored as the tiles NAME_n, NAME_p, NAME_o and, for a\ncomplex button only, NAME_s. A slider's "
       "normal image is its track and\nits pressed image the knob; a progress bar's are a filled and an\nempty cell; "
       "a check button's the unchecked and checked looks",
       Accepts<ParseImageList>, false, true},
      {"--hotkey", "KEYCODE", "the SDL key code that presses the button (13 Return, 27 Escape)", Accepts<ParseKeyCode>},
      {"--position", "X,Y", "where the button is drawn (0,0, the default, until the program\nplaces it)",
       Accepts<ParsePoint>},
      {"--select-colour", "RRGGBB", "a normal button's outline while the pointer is over it", Accepts<ParseColour>},
      {"--range", "N", "a slider's steps or a progress bar's cells (0 to 32767)", Accepts<ParseButtonNumber>},
      {"--value", "N", "a slider's or progress bar's first value (0 to the range)", Accepts<ParseButtonNumber>},
      {"--margins", "X,Y", "an input box's text margins inside the box", Accepts<ParsePoint>},
      kKeyColour, kDepth, kReplace, kKey},
     "Adds the button NAME that IButton->Load reads: its descriptor (type BUT) and its images\n"
     "(type TILB2). NAME has at most 24 characters; the Setup launcher names its buttons by the\n"
     "skin prefix and a suffix such as _tabgeneral, so the prefix counts. The button is first\n"
     "created by the engine from exactly these blocks; one it refuses is reported and the\n"
     "package is not changed. Existing blocks are replaced only with --replace.",
     AddButtonCommand},
    {"extract", {kPackage, kName, kType, {"OUT"}}, {kKey},
     "Writes the payload of block NAME of type TYPE to the file OUT.", ExtractCommand},
    {"extract-image", {kPackage, kName, {"OUT.png"}}, {kKey},
     "Writes the image block NAME as the PNG file OUT.png: RGBA when the image has an alpha\n"
     "channel or a colour key (keyed pixels become transparent), RGB otherwise.",
     ExtractImageCommand},
    {"delete", {kPackage, kName, kType}, {kKey},
     "Marks block NAME of type TYPE deleted. Its space stays in the file until dpf compact.", DeleteCommand},
    {"verify", {kPackage}, {kKey},
     "Checks the package checksum and that every block loads. Exit status 0 only when all is sound.",
     VerifyCommand},
    {"compact", {kPackage}, {kKey},
     "Rewrites the package without its deleted blocks, through a temporary file and a rename, so\n"
     "a crash leaves the old package whole.",
     CompactCommand},
    {"upgrade", {kPackage}, {},
     "Converts a version 3 package to version 4, keeping the original as <name>_v3.dpf. A version 3\n"
     "package is never protected, so upgrade takes no key; a version 4 package is left as it is.",
     UpgradeCommand},
};

// ---- Running --------------------------------------------------------------------------------------

void PrintOverview(FILE* out) {
    std::fprintf(out, "dpf: makes and inspects DPF packages.\n\nCommands:\n");
    for (const Command& command : kCommands) std::fprintf(out, "  %s\n", Synopsis(command).c_str());
    std::fprintf(out, "\n'dpf COMMAND --help' describes one command. Exit status: 0 success, 1 failure, 2 wrong usage.\n");
}

int WrongCommand(const std::string& problem) {
    std::fprintf(stderr, "dpf: %s\n", problem.c_str());
    PrintOverview(stderr);
    return kExitUsage;
}

// Engine messages go to standard error, where the tool's own problems are reported too.
void PrintEngineMessage(const char* format, va_list args) { std::vfprintf(stderr, format, args); }

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return WrongCommand("no command given");
    const std::string word = argv[1];
    if (word == "--help" || word == "-h" || word == "help") {
        PrintOverview(stdout);
        return kExitSuccess;
    }
    const Command* command = nullptr;
    for (const Command& candidate : kCommands)
        if (word == candidate.name) command = &candidate;
    if (!command) return WrongCommand("unknown command '" + word + "'");

    CommandLine line(*command);
    std::string problem;
    bool help = false;
    if (!ReadCommandLine(std::vector<std::string>(argv + 2, argv + argc), &line, &problem, &help))
        return WrongUsage(*command, problem);
    if (help) {
        PrintCommandHelp(*command);
        return kExitSuccess;
    }

    if (!NimbrelAuthoring::StartToolEngine("dpf", PrintEngineMessage, &problem)) {
        std::fprintf(stderr, "dpf: %s\n", problem.c_str());
        return kExitFailure;
    }
    const int status = command->run(line);
    NimbrelAuthoring::StopToolEngine();
    return status;
}
