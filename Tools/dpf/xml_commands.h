// The dpf tool's XML command: add-xml stores an XML document (a layout or a configuration) as a
// "FILE" block once the engine's XML layer has shown it can read it. It parses its own options
// and runs on the engine parts main.cpp starts for every command.
#ifndef NIMBREL_TOOLS_DPF_XML_COMMANDS_H
#define NIMBREL_TOOLS_DPF_XML_COMMANDS_H

#include <cstdio>
#include <string>

bool IsXmlCommand(const std::string& word);
// Runs the XML command argv[1]. The exit status.
int RunXmlCommand(int argc, char** argv);
// One synopsis line per XML command, for the tool's overview.
void PrintXmlCommandSynopses(FILE* out);

#endif
