// Helpers shared by the unit tests: temporary working directories, file reading, a clock the
// test controls, and an engine started for the length of a test.
#ifndef NIMBREL_TEST_SUPPORT_H
#define NIMBREL_TEST_SUPPORT_H

#include <SDL.h>

#include "Nimbrel.h"

#include <string>
#include <vector>

// A fresh directory that is the working directory for the object's lifetime; removed afterwards.
class ScopedTempDir {
public:
    ScopedTempDir();
    ~ScopedTempDir();
    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
    std::string previous_;
};

std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

// A millisecond clock that only moves when the test moves it. Installed into the engine on
// construction, removed on destruction.
class FakeClock {
public:
    FakeClock();
    ~FakeClock();
    void Set(Uint32 ms);
    void Advance(Uint32 ms);
    Uint32 Now() const;
    // When nonzero, every read of the clock also advances it by this many milliseconds, as if each
    // pump call took that long.
    void SetAutoAdvance(Uint32 ms);
};

// Starts the log into a file of the current directory at the given level and the engine with
// timer and video; quits the engine on destruction.
class EngineSession {
public:
    explicit EngineSession(Sint8 maxLevel = 5, Uint32 sdlFlags = SDL_INIT_TIMER | SDL_INIT_VIDEO);
    ~EngineSession();
    bool started() const { return started_; }
    std::string Log() const;

private:
    bool started_ = false;
    NimbrelConfig savedRequest_; // restored at the end, so tests do not leak settings into others
};

// What a run of a command-line tool left: its exit status and its two outputs.
struct ToolRun {
    int status;
    std::string out, err;
};

// Runs this build's dpf tool with the given arguments in the current directory.
ToolRun RunDpf(const std::string& arguments);

// Copies the launcher's default skin, as the build made it, into the working directory as
// setup.dpf. True when the copy is there.
bool CopyDefaultSkin();

// Splits a log into its lines (the newline kept off).
std::vector<std::string> Lines(const std::string& text);

#endif
