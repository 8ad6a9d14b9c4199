// Starting programs, without a shell.
#include "platform/process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

extern char** environ;

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Waits for the child on a detached thread, so that it is reaped whenever it ends without the
// caller blocking and without touching the process-wide SIGCHLD disposition.
void ReapInBackground(pid_t child) {
    std::thread([child] {
        int status = 0;
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}

} // namespace

bool SplitCommandLine(const char* commandLine, std::vector<std::string>& words) {
    words.clear();
    if (!commandLine) return true;
    const char* p = commandLine;
    while (*p) {
        while (IsBlank(*p)) ++p;
        if (!*p) break;
        std::string word;
        while (*p && !IsBlank(*p)) {
            if (*p == '"') {
                ++p;
                while (*p && *p != '"') {
                    if (*p == '\\' && (p[1] == '"' || p[1] == '\\')) ++p;
                    word += *p++;
                }
                if (*p != '"') {
                    words.clear();
                    return false;
                }
                ++p;
            } else if (*p == '\'') {
                ++p;
                while (*p && *p != '\'') word += *p++;
                if (*p != '\'') {
                    words.clear();
                    return false;
                }
                ++p;
            } else {
                word += *p++;
            }
        }
        words.push_back(word);
    }
    return true;
}

bool StartProcess(const std::vector<std::string>& words) {
    if (words.empty() || words[0].empty()) return false;
    std::vector<char*> argv;
    for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    if (posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
    ReapInBackground(child);
    return true;
}

bool StartCommandLine(const char* commandLine) {
    std::vector<std::string> words;
    return SplitCommandLine(commandLine, words) && StartProcess(words);
}

bool ProcessExists(long pid) {
    if (pid <= 0 || static_cast<long>(static_cast<pid_t>(pid)) != pid) return false;
    return kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM; // EPERM: someone else's
}
