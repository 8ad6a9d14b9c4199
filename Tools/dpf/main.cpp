// dpf: makes and inspects DPF packages. Reads the command line, prints help, and runs one
// command (commands.h) with the engine's package interface set up for it.
//
// Exit status: 0 success, 1 failure, 2 wrong usage.
#include <ucl/ucl.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Nimbrel.h"
#include "commands.h"
#include "image_commands.h"
#include "sound_commands.h"
#include "xml_commands.h"

namespace {

struct CommandInfo {
    const char* name;
    int (*run)(const CommandOptions&);
    int positionals;         // words after the command
    const char* positionalNames[4];
    bool takesKey;
    bool takesAddOptions;    // --mode and --replace
    const char* synopsis;
    const char* description;
};

const CommandInfo kCommands[] = {
    {"create", CreateCommand, 1, {"PKG"}, true, false, "dpf create PKG [--key KEYFILE]",
     "Creates an empty package. With --key, a protected one: its blocks are enciphered with the\n"
     "key read from KEYFILE (1 to 56 bytes), and every later command on it needs the same key.\n"
     "An existing file is never overwritten."},
    {"list", ListCommand, 1, {"PKG"}, true, false, "dpf list PKG [--key KEYFILE]",
     "Lists the blocks, one line each: name, type, storage mode, original size, stored size;\n"
     "deleted blocks are marked. Then the totals."},
    {"add", AddCommand, 4, {"PKG", "FILE", "NAME", "TYPE"}, true, true,
     "dpf add PKG FILE NAME TYPE [--mode 0|1|2] [--replace] [--key KEYFILE]",
     "Adds FILE as the block NAME of type TYPE (at most 31 and 7 characters).\n"
     "  --mode 0   compressed (the default)\n"
     "  --mode 1   stored as is\n"
     "  --mode 2   stored masked\n"
     "  --replace  replace a block of that name and type; the old one is deleted only once the\n"
     "             new one is written"},
    {"extract", ExtractCommand, 4, {"PKG", "NAME", "TYPE", "OUT"}, true, false,
     "dpf extract PKG NAME TYPE OUT [--key KEYFILE]", "Writes the payload of block NAME of type TYPE to the file OUT."},
    {"delete", DeleteCommand, 3, {"PKG", "NAME", "TYPE"}, true, false, "dpf delete PKG NAME TYPE [--key KEYFILE]",
     "Marks block NAME of type TYPE deleted. Its space stays in the file until dpf compact."},
    {"verify", VerifyCommand, 1, {"PKG"}, true, false, "dpf verify PKG [--key KEYFILE]",
     "Checks the package checksum and that every block loads. Exit status 0 only when all is sound."},
    {"compact", CompactCommand, 1, {"PKG"}, true, false, "dpf compact PKG [--key KEYFILE]",
     "Rewrites the package without its deleted blocks, through a temporary file and a rename, so\n"
     "a crash leaves the old package whole."},
    {"upgrade", UpgradeCommand, 1, {"PKG"}, false, false, "dpf upgrade PKG",
     "Converts a version 3 package to version 4, keeping the original as <name>_v3.dpf."},
};

void PrintOverview(FILE* out) {
    std::fprintf(out, "dpf: makes and inspects DPF packages.\n\nCommands:\n");
    for (const CommandInfo& command : kCommands) std::fprintf(out, "  %s\n", command.synopsis);
    PrintImageCommandSynopses(out); // image_commands.cpp
    PrintSoundCommandSynopses(out); // sound_commands.cpp
    PrintXmlCommandSynopses(out);   // xml_commands.cpp
    std::fprintf(out, "\n'dpf COMMAND --help' describes one command. Exit status: 0 success, 1 failure, 2 wrong usage.\n");
}

void PrintCommandHelp(const CommandInfo& command) {
    std::printf("Usage: %s\n\n%s\n", command.synopsis, command.description);
}

int WrongUsage(const CommandInfo* command, const std::string& problem) {
    std::fprintf(stderr, "dpf: %s\n", problem.c_str());
    if (command)
        std::fprintf(stderr, "Usage: %s\n", command->synopsis);
    else
        PrintOverview(stderr);
    return kExitUsage;
}

// Engine messages go to standard error, where the tool's own problems are reported too.
void PrintEngineMessage(const char* format, va_list args) { std::vfprintf(stderr, format, args); }

void StartEngineParts() {
    // The log needs a file output to be active; its console output is what reaches the user.
    ILogSystem::SetConsoleSink(PrintEngineMessage);
    ILogSystem.Init("/dev/null", ILogSystem::kOutputAppendFile | ILogSystem::kOutputConsole, 2, "dpf");
    ucl_init();
    IStuffDPF = new class IStuffDPF;
}

void StopEngineParts() {
    delete IStuffDPF;
    IStuffDPF = nullptr;
}

// Parses the words after the command. 0 when fine, otherwise the exit status to return.
int ParseArguments(const CommandInfo& command, int argc, char** argv, CommandOptions* options, bool* help) {
    std::vector<std::string> positionals;
    std::string problem = ReadCommandWords(argc, argv, command.name, command.takesKey, command.takesAddOptions, options,
                                           &positionals, help);
    if (!problem.empty()) return WrongUsage(&command, problem);
    if (*help) return 0;
    if (int(positionals.size()) != command.positionals)
        return WrongUsage(&command, std::string(command.name) + " takes " + std::to_string(command.positionals) +
                                        " argument(s), " + std::to_string(positionals.size()) + " given");

    options->package = positionals[0];
    std::string name = command.name;
    if (name == "add") {
        options->file = positionals[1];
        options->name = positionals[2];
        options->type = positionals[3];
    } else if (name == "extract") {
        options->name = positionals[1];
        options->type = positionals[2];
        options->file = positionals[3];
    } else if (name == "delete") {
        options->name = positionals[1];
        options->type = positionals[2];
    }
    if (options->name.size() > 31) return WrongUsage(&command, "a block name has at most 31 characters: '" + options->name + "'");
    if (options->type.size() > 7) return WrongUsage(&command, "a block type has at most 7 characters: '" + options->type + "'");
    if (!options->name.empty() && options->name.find('\0') != std::string::npos) return WrongUsage(&command, "bad block name");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return WrongUsage(nullptr, "no command given");
    std::string word = argv[1];
    if (word == "--help" || word == "-h" || word == "help") {
        PrintOverview(stdout);
        return kExitSuccess;
    }
    if (IsImageCommand(word)) { // image_commands.cpp parses its own options
        StartEngineParts();
        int status = RunImageCommand(argc, argv);
        StopEngineParts();
        return status;
    }
    if (IsSoundCommand(word)) { // sound_commands.cpp parses its own options
        StartEngineParts();
        int status = RunSoundCommand(argc, argv);
        StopEngineParts();
        return status;
    }
    if (IsXmlCommand(word)) { // xml_commands.cpp parses its own options
        StartEngineParts();
        int status = RunXmlCommand(argc, argv);
        StopEngineParts();
        return status;
    }
    const CommandInfo* command = nullptr;
    for (const CommandInfo& candidate : kCommands)
        if (word == candidate.name) command = &candidate;
    if (!command) return WrongUsage(nullptr, "unknown command '" + word + "'");

    CommandOptions options;
    bool help = false;
    if (int status = ParseArguments(*command, argc, argv, &options, &help)) return status;
    if (help) {
        PrintCommandHelp(*command);
        return kExitSuccess;
    }

    StartEngineParts();
    int status = command->run(options);
    StopEngineParts();
    return status;
}
