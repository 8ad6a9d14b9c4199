// dpf add-sound: sound effects and music into "SND" and "MUS" blocks. Before anything is stored,
// the file is decoded by the engine's own decision of what it accepts (NimbrelAuthoring.h), so a
// package never receives sound data the engine would refuse.
#include <cstdio>

#include "NimbrelAuthoring.h"
#include "commands.h"

int AddSoundCommand(const CommandLine& line) {
    const std::string& file = line.Argument("FILE");
    const std::string& type = line.Argument("SND|MUS");
    std::string bytes;
    if (!ReadBlockFile(file, &bytes)) return kExitFailure;
    if (bytes.empty()) {
        ReportProblem(file, "the file is empty");
        return kExitFailure;
    }

    const bool music = type == "MUS";
    std::string kind, problem;
    if (!NimbrelAuthoring::CheckSoundData(bytes.data(), bytes.size(), music, &kind, &problem)) {
        ReportProblem(file, std::string("the mixer cannot decode it as ") + (music ? "music" : "a sound effect") + " (" +
                                problem + "); nothing was added");
        return kExitFailure;
    }
    std::printf("%s: %s\n", file.c_str(), kind.c_str());
    return AddBlock(line, type, bytes);
}
