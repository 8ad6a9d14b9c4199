// dpf add-sound: sound effects and music into "SND" and "MUS" blocks. Before anything is stored,
// the file is decoded by the engine's own decision of what it accepts (NimbrelAuthoring.h), so a
// package never receives sound data the engine would refuse.
#include "sound_commands.h"

#include <cstring>
#include <vector>

#include "Nimbrel.h"
#include "NimbrelAuthoring.h"
#include "commands.h"

namespace {

const char kAddSoundSynopsis[] = "dpf add-sound PKG FILE NAME SND|MUS [--mode 0|1|2] [--replace] [--key KEYFILE]";

const char kAddSoundHelp[] =
    "Adds FILE as the block NAME (at most 31 characters) of type SND (a sound effect: WAV, AIFF,\n"
    "VOC or Ogg Vorbis) or MUS (music: Ogg Vorbis, which plays streamed, or anything else the\n"
    "mixer plays as music, such as MOD, S3M, XM or IT modules, kept as bytes until played).\n"
    "The file is first decoded by the mixer the engine plays it with; a file it cannot decode is\n"
    "refused with the mixer's reason and the package is not changed.\n"
    "  --mode 0   compressed (the default)\n"
    "  --mode 1   stored as is\n"
    "  --mode 2   stored masked\n"
    "  --replace  replace a block of that name and type; the old one is deleted only once the\n"
    "             new one is written\n"
    "  --key KEYFILE  the key of a protected package";

int Usage(const std::string& problem) {
    std::fprintf(stderr, "dpf: %s\nUsage: %s\n", problem.c_str(), kAddSoundSynopsis);
    return kExitUsage;
}

// Fills the options from argv[2...]. 0 when fine, -1 for --help, else the exit status.
int ParseAddSoundArguments(int argc, char** argv, CommandOptions* options) {
    std::vector<std::string> positionals;
    bool help = false;
    std::string problem = ReadCommandWords(argc, argv, "add-sound", true, true, options, &positionals, &help);
    if (!problem.empty()) return Usage(problem);
    if (help) return -1;
    if (positionals.size() != 4)
        return Usage("add-sound takes 4 arguments, " + std::to_string(positionals.size()) + " given");
    options->package = positionals[0];
    options->file = positionals[1];
    options->name = positionals[2];
    options->type = positionals[3];
    if (options->type != "SND" && options->type != "MUS")
        return Usage("the block type is SND (sound effect) or MUS (music), not '" + options->type + "'");
    if (options->name.empty() || options->name.size() > 31)
        return Usage("a block name has 1 to 31 characters: '" + options->name + "'");
    return 0;
}

int AddSoundCommand(const CommandOptions& options) {
    std::string bytes;
    if (!ReadWholeFile(options.file, &bytes)) {
        ReportProblem(options.file, "cannot read the file");
        return kExitFailure;
    }
    if (bytes.empty()) {
        ReportProblem(options.file, "the file is empty");
        return kExitFailure;
    }
    if (bytes.size() > 0x7FFFFFFFu) {
        ReportProblem(options.file, "is too large for a block (2 GiB at most)");
        return kExitFailure;
    }

    const bool music = options.type == "MUS";
    std::string kind, problem;
    if (!NimbrelAuthoring::CheckSoundData(bytes.data(), bytes.size(), music, &kind, &problem)) {
        ReportProblem(options.file, std::string("the mixer cannot decode it as ") + (music ? "music" : "a sound effect") +
                                        " (" + problem + "); nothing was added");
        return kExitFailure;
    }
    std::printf("%s: %s\n", options.file.c_str(), kind.c_str());
    return AddCommand(options);
}

} // namespace

bool IsSoundCommand(const std::string& word) { return word == "add-sound"; }

int RunSoundCommand(int argc, char** argv) {
    CommandOptions options;
    int parsed = ParseAddSoundArguments(argc, argv, &options);
    if (parsed == -1) {
        std::printf("Usage: %s\n\n%s\n", kAddSoundSynopsis, kAddSoundHelp);
        return kExitSuccess;
    }
    if (parsed != 0) return parsed;
    return AddSoundCommand(options);
}

void PrintSoundCommandSynopses(FILE* out) { std::fprintf(out, "  %s\n", kAddSoundSynopsis); }
