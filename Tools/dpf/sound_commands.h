// The dpf tool's sound command: add-sound stores a sound effect ("SND") or a music ("MUS") block
// once the mixer has shown it can decode the file. It parses its own options and runs on the
// engine parts main.cpp starts for every command.
#ifndef NIMBREL_TOOLS_DPF_SOUND_COMMANDS_H
#define NIMBREL_TOOLS_DPF_SOUND_COMMANDS_H

#include <cstdio>
#include <string>

bool IsSoundCommand(const std::string& word);
// Runs the sound command argv[1]. The exit status.
int RunSoundCommand(int argc, char** argv);
// One synopsis line per sound command, for the tool's overview.
void PrintSoundCommandSynopses(FILE* out);

#endif
