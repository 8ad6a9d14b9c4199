// Helpers shared by the unit tests.
#include "support/test_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "Nimbrel.h"
#include "testing/test_seams.h"

ScopedTempDir::ScopedTempDir() {
    char pattern[] = "/tmp/nimbrel-test-XXXXXX";
    const char* made = mkdtemp(pattern);
    path_ = made ? made : "/tmp";
    char cwd[4096];
    previous_ = getcwd(cwd, sizeof cwd) ? cwd : "/";
    if (chdir(path_.c_str()) != 0) std::perror("chdir");
}

ScopedTempDir::~ScopedTempDir() {
    if (chdir(previous_.c_str()) != 0) std::perror("chdir");
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool FileExists(const std::string& path) { return std::filesystem::exists(path); }

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

// ---- FakeClock ------------------------------------------------------------------------------------

namespace {
Uint32 fakeNow = 0;
Uint32 fakeAutoAdvance = 0;
Uint32 ReadFakeClock() {
    Uint32 now = fakeNow;
    fakeNow += fakeAutoAdvance;
    return now;
}
} // namespace

FakeClock::FakeClock() {
    fakeNow = 1000;
    fakeAutoAdvance = 0;
    NimbrelTestSeam::SetClock(ReadFakeClock);
}
FakeClock::~FakeClock() { NimbrelTestSeam::SetClock(nullptr); }
void FakeClock::Set(Uint32 ms) { fakeNow = ms; }
void FakeClock::Advance(Uint32 ms) { fakeNow += ms; }
Uint32 FakeClock::Now() const { return fakeNow; }
void FakeClock::SetAutoAdvance(Uint32 ms) { fakeAutoAdvance = ms; }

// ---- EngineSession --------------------------------------------------------------------------------

EngineSession::EngineSession(Sint8 maxLevel, Uint32 sdlFlags) : savedRequest_(Nimbrel) {
    ILogSystem.Init("test.log", ILogSystem::kOutputNewFile, maxLevel, "engine test");
    started_ = Nimbrel.Init(sdlFlags) == 1;
}

EngineSession::~EngineSession() {
    Nimbrel.Quit();
    static_cast<NimbrelConfig&>(Nimbrel) = savedRequest_;
    Nimbrel.liveTiles = Nimbrel.liveSprites = Nimbrel.liveFonts = 0;
    NimbrelTestSeam::SetKeyTable(nullptr);
    NimbrelTestSeam::SetMouse(false, 0, 0, 0);
}

std::string EngineSession::Log() const { return ReadFile("test.log"); }

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::stringstream stream(text);
    std::string line;
    while (std::getline(stream, line)) lines.push_back(line);
    return lines;
}

ToolRun RunDpf(const std::string& arguments) {
    std::string command = std::string("'") + NIMBREL_BINARY_DIR + "/Tools/dpf/dpf' " + arguments +
                          " > out.txt 2> err.txt; echo $? > status.txt";
    if (std::system(command.c_str()) != 0) return {-1, std::string(), "the shell could not run dpf"};
    return {std::atoi(ReadFile("status.txt").c_str()), ReadFile("out.txt"), ReadFile("err.txt")};
}

bool CopyDefaultSkin() {
    WriteFile("setup.dpf", ReadFile(NIMBREL_BINARY_DIR "/demo/setup.dpf"));
    return FileExists("setup.dpf");
}
