// Starting programs, without a shell.
#ifndef NIMBREL_PLATFORM_PROCESS_H
#define NIMBREL_PLATFORM_PROCESS_H

#include <string>
#include <vector>

// Splits a command line into words. Words are separated by blanks; double or single quotes group
// blanks into a word and are removed. Inside double quotes, \" is a quote and \\ a backslash;
// elsewhere a backslash is an ordinary character, so Windows-style paths survive. False (and no
// words) when a quote is left open.
bool SplitCommandLine(const char* commandLine, std::vector<std::string>& words);

// Starts a program found through PATH (or by its path) with the given words as its arguments,
// words[0] being the program. The caller does not wait; the child is reaped in the background so
// it never lingers as a zombie. True when the program was started.
bool StartProcess(const std::vector<std::string>& words);

// Splits and starts a command line. True when the program was started.
bool StartCommandLine(const char* commandLine);

// True while a process with this id exists (a zombie not yet reaped included), whoever owns it.
bool ProcessExists(long pid);

#endif
