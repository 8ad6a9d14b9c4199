// The dpf tool's command-line reader and help (see command_line.h).
#include "command_line.h"

#include <cstdio>
#include <cstring>

namespace {

// Where the options' help starts in a command's help.
const int kOptionHelpColumn = 20;

const OptionSpec* FindOption(const Command& command, const std::string& name) {
    for (const OptionSpec& option : command.options)
        if (name == option.name) return &option;
    return nullptr;
}

// "-" alone is an argument, as it is for most tools.
bool IsOptionWord(const std::string& word) { return word.size() > 1 && word[0] == '-'; }

bool Refuse(std::string* problem, const std::string& text) {
    *problem = text;
    return false;
}

std::string ArgumentCountProblem(const Command& command, size_t given) {
    std::string names;
    for (const ArgumentSpec& argument : command.arguments) names += (names.empty() ? "" : " ") + std::string(argument.name);
    const size_t wanted = command.arguments.size();
    return std::string(command.name) + " takes " + std::to_string(wanted) + (wanted == 1 ? " argument (" : " arguments (") +
           names + "), " + std::to_string(given) + " given";
}

} // namespace

std::string Synopsis(const Command& command) {
    std::string text = std::string("dpf ") + command.name;
    for (const ArgumentSpec& argument : command.arguments) text += std::string(" ") + argument.name;
    for (const OptionSpec& option : command.options) {
        text += std::string(option.required ? " " : " [") + option.name;
        if (option.value) text += std::string(" ") + option.value;
        if (!option.required) text += option.repeatable ? "]..." : "]";
    }
    return text;
}

void PrintCommandHelp(const Command& command) {
    std::printf("Usage: %s\n\n%s\n", Synopsis(command).c_str(), command.help);
    if (!command.options.empty()) std::printf("\nOptions:\n");
    for (const OptionSpec& option : command.options) {
        std::string words = option.name;
        if (option.value) words += std::string(" ") + option.value;
        // Every line of an option's help starts in the same column, the first beside its name.
        const std::string help = option.help;
        for (size_t start = 0; start <= help.size();) {
            size_t end = help.find('\n', start);
            if (end == std::string::npos) end = help.size();
            std::printf("  %-*s %s\n", kOptionHelpColumn, start == 0 ? words.c_str() : "",
                        help.substr(start, end - start).c_str());
            start = end + 1;
        }
    }
}

// ---- CommandLine --------------------------------------------------------------------------------

const std::string& CommandLine::Argument(const char* name) const {
    static const std::string none;
    const std::vector<ArgumentSpec>& specs = command_->arguments;
    for (size_t i = 0; i < specs.size() && i < arguments_.size(); ++i)
        if (std::strcmp(specs[i].name, name) == 0) return arguments_[i];
    return none;
}

bool CommandLine::Has(const char* option) const {
    for (const auto& given : options_)
        if (given.first == option) return true;
    return false;
}

std::string CommandLine::Value(const char* option, const std::string& fallback) const {
    std::vector<std::string> values = Values(option);
    return values.empty() ? fallback : values.back();
}

std::vector<std::string> CommandLine::Values(const char* option) const {
    std::vector<std::string> values;
    for (const auto& given : options_)
        if (given.first == option) values.push_back(given.second);
    return values;
}

// ---- Reading ------------------------------------------------------------------------------------

bool ReadCommandLine(const std::vector<std::string>& words, CommandLine* line, std::string* problem, bool* help) {
    *help = false;
    for (const std::string& word : words)
        if (word == "--help" || word == "-h") {
            *help = true;
            return true;
        }

    const Command& command = line->command();
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (!IsOptionWord(word)) {
            line->arguments_.push_back(word);
            continue;
        }
        const OptionSpec* option = FindOption(command, word);
        if (!option) return Refuse(problem, "unknown option '" + word + "' for " + command.name);
        if (!option->repeatable && line->Has(option->name)) return Refuse(problem, word + " may be given only once");
        std::string value;
        if (option->value) {
            if (i + 1 == words.size()) return Refuse(problem, word + " needs a value: " + word + " " + option->value);
            value = words[++i];
            std::string why;
            if (option->check && !option->check(value, &why)) return Refuse(problem, word + " " + why);
        }
        line->options_.emplace_back(word, value);
    }

    for (const OptionSpec& option : command.options)
        if (option.required && !line->Has(option.name))
            return Refuse(problem, std::string(command.name) + " needs " + option.name +
                                       (option.value ? std::string(" ") + option.value : std::string()));
    if (line->arguments_.size() != command.arguments.size())
        return Refuse(problem, ArgumentCountProblem(command, line->arguments_.size()));
    for (size_t i = 0; i < command.arguments.size(); ++i) {
        const WordCheck check = command.arguments[i].check;
        if (check && !check(line->arguments_[i], problem)) return false;
    }
    return true;
}

int WrongUsage(const Command& command, const std::string& problem) {
    std::fprintf(stderr, "dpf: %s\nUsage: %s\n", problem.c_str(), Synopsis(command).c_str());
    return kExitUsage;
}

void ReportProblem(const std::string& subject, const std::string& problem) {
    std::fprintf(stderr, "dpf: %s: %s\n", subject.c_str(), problem.c_str());
}
