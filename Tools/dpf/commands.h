// The dpf tool's commands. Each one works on one package through IStuffDPF, prints what it did
// to standard output and its problems to standard error, and returns the process exit status.
#ifndef NIMBREL_TOOLS_DPF_COMMANDS_H
#define NIMBREL_TOOLS_DPF_COMMANDS_H

#include <string>
#include <vector>

enum ExitStatus { kExitSuccess = 0, kExitFailure = 1, kExitUsage = 2 };

struct CommandOptions {
    std::string package;
    std::string file;   // add: the input file; extract: the output file
    std::string name;
    std::string type;
    int mode = 0;       // add
    bool replace = false;
    std::string keyFile;
};

// Reads the words after a command (argv[2...]): --help, --key KEYFILE when the command takes a
// key, --mode 0|1|2 and --replace when it adds blocks, and the positional words. Returns an
// empty text when the words are fine, otherwise what is wrong with them.
std::string ReadCommandWords(int argc, char** argv, const std::string& commandName, bool takesKey,
                             bool takesAddOptions, CommandOptions* options, std::vector<std::string>* positionals,
                             bool* help);

int CreateCommand(const CommandOptions& options);
int ListCommand(const CommandOptions& options);
int AddCommand(const CommandOptions& options);
int ExtractCommand(const CommandOptions& options);
int DeleteCommand(const CommandOptions& options);
int VerifyCommand(const CommandOptions& options);
int CompactCommand(const CommandOptions& options);
int UpgradeCommand(const CommandOptions& options);

// Reads a whole file. False when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string* bytes);
// Writes a file through a temporary file beside it, flushed and renamed over it, so a crash leaves
// the old file or the complete new one. False with the reason in `problem`.
bool WriteFileSafely(const std::string& path, const void* data, size_t length, std::string* problem);

// "dpf: <subject>: <problem>" on standard error.
void ReportProblem(const std::string& subject, const std::string& problem);

#endif
