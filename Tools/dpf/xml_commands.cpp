// dpf add-xml: XML documents into "FILE" blocks. Before anything is stored, the file is opened
// by the engine's own XML layer (Nimbrel.XMLOpen), so a package never receives a document the
// engine would refuse at run time: broken markup, or nesting deep enough to be refused.
#include <cstdio>

#include "Nimbrel.h"
#include "commands.h"

int AddXmlCommand(const CommandLine& line) {
    const std::string& file = line.Argument("FILE");
    // The engine's own reading: its message, naming the file and TinyXML's reason, goes to
    // standard error through the log.
    int handle = Nimbrel.XMLOpen(file.c_str());
    if (!handle) {
        ReportProblem(file, "the engine cannot read it as an XML document (see the message above); nothing was added");
        return kExitFailure;
    }
    Nimbrel.XMLClose(handle);
    std::printf("%s: a well-formed XML document\n", file.c_str());
    std::string payload;
    if (!ReadBlockFile(file, &payload)) return kExitFailure;
    return AddBlock(line, "FILE", payload);
}
