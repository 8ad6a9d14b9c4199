// The platform layer: command-line splitting, starting programs without a shell, the document
// opener, the renderer-to-driver mapping and the memory reading.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/atomic_file.h"
#include "platform/environment.h"
#include "platform/memory.h"
#include "platform/opener.h"
#include "platform/process.h"
#include "platform/video_driver.h"
#include "support/test_support.h"

namespace {

std::vector<std::string> Split(const char* line) {
    std::vector<std::string> words;
    EXPECT_TRUE(SplitCommandLine(line, words)) << line;
    return words;
}

// Waits up to five seconds for a file to appear with content.
std::string WaitForFile(const std::string& path) {
    for (int i = 0; i < 500; ++i) {
        std::string text = ReadFile(path);
        if (!text.empty()) return text;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return std::string();
}

} // namespace

TEST(CommandLine, SplitsOnBlanksAndGroupsQuotes) {
    using Words = std::vector<std::string>;
    EXPECT_EQ(Split("./game -w 640"), (Words{"./game", "-w", "640"}));
    EXPECT_EQ(Split("  spaced\t out  "), (Words{"spaced", "out"}));
    EXPECT_EQ(Split("\"My Game/run\" --name 'a b'"), (Words{"My Game/run", "--name", "a b"}));
    EXPECT_EQ(Split("pre\"fix suf\"fix"), (Words{"prefix suffix"}));
    EXPECT_EQ(Split("\"say \\\"hi\\\"\" \"back\\\\slash\""), (Words{"say \"hi\"", "back\\slash"}));
    EXPECT_EQ(Split("C:\\Games\\run.exe \"\""), (Words{"C:\\Games\\run.exe", ""}));
    EXPECT_EQ(Split("'$HOME; rm -rf x'"), (Words{"$HOME; rm -rf x"})); // no shell ever sees it
    EXPECT_TRUE(Split("").empty());
    EXPECT_TRUE(Split("   ").empty());
}

TEST(CommandLine, AnOpenQuoteIsRefused) {
    std::vector<std::string> words{"stale"};
    EXPECT_FALSE(SplitCommandLine("run \"unterminated", words));
    EXPECT_TRUE(words.empty());
    EXPECT_FALSE(SplitCommandLine("run 'open", words));
}

TEST(Process, StartsWithoutAShellAndReapsTheChild) {
    ScopedTempDir dir;
    std::string out = dir.File("out.txt");
    std::string command = "sh -c 'echo \"$0\" > " + out + "' 'semi;colon $HOME'";
    ASSERT_TRUE(StartCommandLine(command.c_str()));
    EXPECT_EQ(WaitForFile(out), "semi;colon $HOME\n");
    // The child has been waited for: no zombie is left behind.
    bool reaped = false;
    for (int i = 0; i < 500 && !reaped; ++i) {
        reaped = waitpid(-1, nullptr, WNOHANG) < 0 && errno == ECHILD;
        if (!reaped) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(reaped);
}

TEST(Process, MissingProgramsAndEmptyLinesFail) {
    EXPECT_FALSE(StartCommandLine("/nonexistent/program --flag"));
    EXPECT_FALSE(StartCommandLine(""));
    EXPECT_FALSE(StartCommandLine("\"unterminated"));
    EXPECT_FALSE(StartProcess({}));
}

TEST(Opener, UsesTheReplacementOpenerFromTheEnvironment) {
    ScopedTempDir dir;
    std::string script = dir.File("opener.sh");
    WriteFile(script, "#!/bin/sh\nprintf '%s' \"$1\" > \"$(dirname \"$0\")/opened.txt\"\n");
    ASSERT_EQ(chmod(script.c_str(), 0755), 0);
    SetEnvironmentVariable(NIMBREL_OPENER_VARIABLE, script.c_str());
    EXPECT_TRUE(OpenDocument("http://example.invalid/page?a=1&b=2"));
    EXPECT_EQ(WaitForFile(dir.File("opened.txt")), "http://example.invalid/page?a=1&b=2");
    EXPECT_FALSE(OpenDocument(""));
    unsetenv(NIMBREL_OPENER_VARIABLE);
}

TEST(VideoDriver, WindowedRenderersMapToTheStartupDriver) {
    // The tests run with SDL_VIDEODRIVER=dummy set before the process started.
    EXPECT_EQ(VideoDriverForRenderer(2), "dummy");
    EXPECT_EQ(VideoDriverForRenderer(4), "dummy");
    EXPECT_EQ(VideoDriverForRenderer(64), "dummy"); // the OpenGL window opens on the native driver
    EXPECT_EQ(VideoDriverForRenderer(8), "");
    EXPECT_EQ(VideoDriverForRenderer(128), "");
    // Later changes to the environment do not change what "native" means.
    SetEnvironmentVariable("SDL_VIDEODRIVER", "glSDL");
    EXPECT_EQ(NativeVideoDriver(), "dummy");
    SetEnvironmentVariable("SDL_VIDEODRIVER", "dummy");
}

TEST(VideoDriver, DetectedDriverNamesMapToRendererCodes) {
    EXPECT_EQ(RendererForVideoDriver("x11"), 8);
    EXPECT_EQ(RendererForVideoDriver("fbcon"), 16);
    EXPECT_EQ(RendererForVideoDriver("windib"), 2);
    EXPECT_EQ(RendererForVideoDriver("quartz"), 128);
    EXPECT_EQ(RendererForVideoDriver("dummy"), 1);
    EXPECT_EQ(RendererForVideoDriver("x11 "), 1);
    EXPECT_EQ(RendererForVideoDriver(nullptr), 1);
}

TEST(Memory, FreePhysicalMemoryIsPlausible) {
    uint64_t bytes = FreePhysicalMemory();
    EXPECT_GT(bytes, 1024u * 1024u);
    EXPECT_LT(bytes, uint64_t(1) << 50);
}

// A save cleans up after earlier saves of the same file whose process died before the rename,
// and leaves alone what belongs to a process still running or to another file.
TEST(AtomicFile, ASaveRemovesOnlyTheTemporaryFilesOfEndedProcesses) {
    ScopedTempDir dir;
    pid_t ended = fork();
    ASSERT_GE(ended, 0);
    if (ended == 0) _exit(0);
    ASSERT_EQ(ended, waitpid(ended, nullptr, 0));
    const std::string stale = "doc.xml.nbltmp" + std::to_string(ended);
    const std::string kept[] = {"doc.xml.nbltmp" + std::to_string(getppid()), "other.xml.nbltmp" + std::to_string(ended),
                                stale + "x"};
    for (const std::string& name : {stale, kept[0], kept[1], kept[2]}) WriteFile(name, "partial");
    ASSERT_TRUE(ReplaceFileAtomically("doc.xml", "new", 3));
    EXPECT_EQ("new", ReadFile("doc.xml"));
    EXPECT_FALSE(FileExists(stale));
    for (const std::string& name : kept) EXPECT_TRUE(FileExists(name)) << name;
}
