// The dpf tool's commands: the run functions of its command table (main.cpp). Each works on one
// package through the engine's package interface, prints what it did on standard output and its
// problems on standard error, and returns the exit status. The reader has already checked their
// words (command_line.h).
#ifndef NIMBREL_TOOLS_DPF_COMMANDS_H
#define NIMBREL_TOOLS_DPF_COMMANDS_H

#include <string>

#include "NimbrelAuthoring.h"
#include "command_line.h"

// ---- commands.cpp: any block, whole packages ----------------------------------------------------

int CreateCommand(const CommandLine& line);
int ListCommand(const CommandLine& line);
int AddCommand(const CommandLine& line);
int ExtractCommand(const CommandLine& line);
int DeleteCommand(const CommandLine& line);
int VerifyCommand(const CommandLine& line);
int CompactCommand(const CommandLine& line);
int UpgradeCommand(const CommandLine& line);

// Reads the file a block is made from. False, reported, when it cannot be read or is too large
// for a block.
bool ReadBlockFile(const std::string& path, std::string* bytes);
// Stores `payload` in the package of the command line as the block NAME of `type`, as --mode and
// --replace ask: the last step of `add` and of the imports that check a file first.
int AddBlock(const CommandLine& line, const std::string& type, std::string& payload);
// Stores `size` bytes as the block NAME of `type` in `mode` in the package of the command line,
// in place of the block of that name and type with --replace; `label` names it in messages
// ("image 'logo'"). The bytes stored, or -1 when nothing was stored (reported).
int PutBlock(const CommandLine& line, const std::string& type, int mode, const std::string& label, void* data,
             size_t size);

// ---- image_commands.cpp: PNG files in and out of "IMG" blocks -----------------------------------

int AddImageCommand(const CommandLine& line);
int ExtractImageCommand(const CommandLine& line);
// Reads and decodes the PNG file of an import, and the options of its pixels that the command line
// gives (--depth, --alpha, --key-colour). False, reported, when the file cannot be read or decoded.
bool ReadArtwork(const CommandLine& line, const std::string& file, NimbrelAuthoring::RgbaImage* image,
                 NimbrelAuthoring::ImagePayloadOptions* options);

// ---- sprite_commands.cpp: sheets into "SPR2" blocks, images into tile blocks --------------------

int AddSpriteCommand(const CommandLine& line);
int AddTileCommand(const CommandLine& line);

// ---- button_commands.cpp: a button's descriptor and images -------------------------------------

int AddButtonCommand(const CommandLine& line);

// ---- font_commands.cpp: fonts rendered from TrueType files or drawn as bitmaps --------------------

int AddFontCommand(const CommandLine& line);

// ---- sound_commands.cpp: sound effects and music the mixer decodes -------------------------------

int AddSoundCommand(const CommandLine& line);

// ---- xml_commands.cpp: documents the engine's XML layer reads -----------------------------------

int AddXmlCommand(const CommandLine& line);

#endif
