// The dpf tool's command line. Every command is one row of a table (main.cpp): its name, the
// arguments it takes, its options, its help and the function that runs it. One reader checks the
// words after the command against that row, so every command takes its words the same way and
// reports wrong usage the same way; the synopsis and help printed come from the same row.
//
// Wrong usage is found before a command runs: an unknown option, an option without its value, an
// option given twice that may appear once, a required option missing, a value or argument its
// check refuses, or the wrong number of arguments.
#ifndef NIMBREL_TOOLS_DPF_COMMAND_LINE_H
#define NIMBREL_TOOLS_DPF_COMMAND_LINE_H

#include <string>
#include <utility>
#include <vector>

enum ExitStatus { kExitSuccess = 0, kExitFailure = 1, kExitUsage = 2 };

// Checks one argument or option value; false with what is wrong in `problem`. For an option the
// problem follows the option's name ("must be 0, 1 or 2, not '7'"); for an argument it is a
// sentence of its own.
typedef bool (*WordCheck)(const std::string& word, std::string* problem);

struct ArgumentSpec {
    const char* name;          // as the synopsis shows it: "PKG", "NAME"
    WordCheck check = nullptr; // none when any word will do
};

struct OptionSpec {
    const char* name;          // "--mode"
    const char* value;         // what follows it in the synopsis ("0|1|2"); null for a switch
    const char* help;          // its line(s) in the command's help
    WordCheck check = nullptr; // for the value
    bool repeatable = false;   // may be given more than once; every value is kept
    bool required = false;     // the command cannot run without it
};

class CommandLine;

struct Command {
    const char* name;
    std::vector<ArgumentSpec> arguments;
    std::vector<OptionSpec> options;
    const char* help; // what the command does; the options' help follows it
    int (*run)(const CommandLine& line);
};

// "dpf NAME ARG... [--option VALUE]..." for one command.
std::string Synopsis(const Command& command);
// The synopsis, the help and the options' help, on standard output.
void PrintCommandHelp(const Command& command);

// The words of one command line, as the reader found them.
class CommandLine {
public:
    explicit CommandLine(const Command& command) : command_(&command) {}

    const Command& command() const { return *command_; }
    // The argument of that name in the command's row.
    const std::string& Argument(const char* name) const;
    bool Has(const char* option) const;
    // The option's value (the last one of a repeatable option); `fallback` when it was not given.
    std::string Value(const char* option, const std::string& fallback = std::string()) const;
    // Every value of the option, in the order given.
    std::vector<std::string> Values(const char* option) const;

    // Sets `value` from the option through `parse` when the option was given; the reader has
    // already checked that the value parses (see Accepts in values.h).
    template <typename T>
    void Get(const char* option, bool (*parse)(const std::string&, T*, std::string*), T* value) const {
        if (Has(option)) parse(Value(option), value, nullptr);
    }

private:
    friend bool ReadCommandLine(const std::vector<std::string>& words, CommandLine* line, std::string* problem,
                                bool* help);
    const Command* command_;
    std::vector<std::string> arguments_;
    std::vector<std::pair<std::string, std::string>> options_; // name and value ("" for a switch)
};

// Reads the words after the command name into `line`, checked against its command's row. False
// with the problem for the user when the words are wrong; true with *help set when they ask for
// help (--help or -h anywhere), which then matters more than anything else wrong with them.
bool ReadCommandLine(const std::vector<std::string>& words, CommandLine* line, std::string* problem, bool* help);

// "dpf: <problem>" and the command's synopsis on standard error. Returns kExitUsage.
int WrongUsage(const Command& command, const std::string& problem);

// "dpf: <subject>: <problem>" on standard error.
void ReportProblem(const std::string& subject, const std::string& problem);

#endif
