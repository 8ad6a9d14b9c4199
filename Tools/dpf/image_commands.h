// The dpf tool's image commands: add-image turns a PNG file into an "IMG" block, extract-image
// writes one back as a PNG file. They parse their own options and run on the engine parts main.cpp
// starts for every command.
#ifndef NIMBREL_TOOLS_DPF_IMAGE_COMMANDS_H
#define NIMBREL_TOOLS_DPF_IMAGE_COMMANDS_H

#include <cstdio>
#include <string>

bool IsImageCommand(const std::string& word);
// Runs the image command argv[1]. The exit status.
int RunImageCommand(int argc, char** argv);
// One synopsis line per image command, for the tool's overview.
void PrintImageCommandSynopses(FILE* out);

#endif
