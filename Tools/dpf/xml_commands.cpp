// dpf add-xml: XML documents into "FILE" blocks. Before anything is stored, the file is opened
// by the engine's own XML layer (Nimbrel.XMLOpen), so a package never receives a document the
// engine would refuse at run time: broken markup, or nesting deep enough to be refused.
#include "xml_commands.h"

#include <vector>

#include "Nimbrel.h"
#include "commands.h"

namespace {

const char kAddXmlSynopsis[] = "dpf add-xml PKG FILE NAME [--mode 0|1|2] [--replace] [--key KEYFILE]";

const char kAddXmlHelp[] =
    "Adds the XML document FILE as the block NAME (at most 31 characters) of type FILE, the\n"
    "type the engine reads documents from (a skin's layout.xml, a game's configuration).\n"
    "The document is first read by the engine's XML layer; one it cannot read is refused with\n"
    "the reason and the package is not changed.\n"
    "  --mode 0   compressed (the default)\n"
    "  --mode 1   stored as is\n"
    "  --mode 2   stored masked\n"
    "  --replace  replace a block of that name; the old one is deleted only once the new one is\n"
    "             written\n"
    "  --key KEYFILE  the key of a protected package";

int Usage(const std::string& problem) {
    std::fprintf(stderr, "dpf: %s\nUsage: %s\n", problem.c_str(), kAddXmlSynopsis);
    return kExitUsage;
}

// Fills the options from argv[2...]. 0 when fine, -1 for --help, else the exit status.
int ParseAddXmlArguments(int argc, char** argv, CommandOptions* options) {
    std::vector<std::string> positionals;
    bool help = false;
    std::string problem = ReadCommandWords(argc, argv, "add-xml", true, true, options, &positionals, &help);
    if (!problem.empty()) return Usage(problem);
    if (help) return -1;
    if (positionals.size() != 3) return Usage("add-xml takes 3 arguments, " + std::to_string(positionals.size()) + " given");
    options->package = positionals[0];
    options->file = positionals[1];
    options->name = positionals[2];
    options->type = "FILE";
    if (options->name.empty() || options->name.size() > 31)
        return Usage("a block name has 1 to 31 characters: '" + options->name + "'");
    return 0;
}

int AddXmlCommand(const CommandOptions& options) {
    // The engine's own reading: its message, naming the file and TinyXML's reason, goes to
    // standard error through the log.
    int handle = Nimbrel.XMLOpen(options.file.c_str());
    if (!handle) {
        ReportProblem(options.file, "the engine cannot read it as an XML document (see the message above); nothing was added");
        return kExitFailure;
    }
    Nimbrel.XMLClose(handle);
    std::printf("%s: a well-formed XML document\n", options.file.c_str());
    return AddCommand(options);
}

} // namespace

bool IsXmlCommand(const std::string& word) { return word == "add-xml"; }

int RunXmlCommand(int argc, char** argv) {
    CommandOptions options;
    int parsed = ParseAddXmlArguments(argc, argv, &options);
    if (parsed == -1) {
        std::printf("Usage: %s\n\n%s\n", kAddXmlSynopsis, kAddXmlHelp);
        return kExitSuccess;
    }
    if (parsed != 0) return parsed;
    return AddXmlCommand(options);
}

void PrintXmlCommandSynopses(FILE* out) { std::fprintf(out, "  %s\n", kAddXmlSynopsis); }
