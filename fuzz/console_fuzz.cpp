// Fuzzes the console: each input is a script of key presses and command lines. A byte below 0xF0
// picks a key (the editing keys, Return, Space or a character key) held for one logic frame and
// released for a random time; 0xF0 and above start a command line, run with Execute, made of the
// bytes up to the next zero. The console draws after every frame, so edits, history recall and
// every command's answers are also printed and clipped. Checks: the input line always starts with
// the prompt, the cursor stays inside it, and the lines and history stay bounded.
//
// Files the save commands write stay in a fresh directory, removed at exit: each input runs with
// it as the working directory (given back before returning, as libFuzzer reads its corpus by
// relative paths), and '/' in a command line becomes '_', so no path leaves it.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include <unistd.h>

#include "Nimbrel.h"
#include "testing/test_seams.h"

namespace {

Uint8 keys[512];
Uint32 now = 100000;
Uint32 Clock() { return now; }
std::filesystem::path directory, home;

const int kKeys[] = {8, 13, 32, 127, 273, 274, 275, 276, 278, 279, 96, 65, 122};

void Check(bool condition) {
    if (!condition) std::abort();
}

void RemoveDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
}

void Start() {
    directory = std::filesystem::temp_directory_path() / ("console_fuzz_" + std::to_string(std::random_device()()));
    std::filesystem::create_directories(directory);
    std::atexit(RemoveDirectory);
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    Nimbrel.Init(SDL_INIT_VIDEO);
    Nimbrel.width = 320, Nimbrel.height = 240, Nimbrel.colorDepth = 32;
    Nimbrel.SetVideoMode();
    NimbrelTestSeam::SetClock(Clock);
    NimbrelTestSeam::SetKeyTable(keys);
    Nimbrel.GetConsole()->Enable();
    Nimbrel.GetDebugWindow()->Enable();
}

void Frame(Uint32 ms) {
    now += ms;
    Nimbrel.Update(nullptr);
    cConsole* console = Nimbrel.GetConsole();
    console->Draw();
    Nimbrel.GetDebugWindow()->Draw();
    const char* input = console->GetInput();
    const int length = int(std::strlen(input));
    Check(input[0] == '>');
    Check(length <= cConsole::kMaxInput);
    Check(console->GetCursor() >= 1 && console->GetCursor() <= length);
    Check(console->GetLineCount() <= cSimpleWin::kMaxLines);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool started = (Start(), true);
    (void)started;
    cConsole* console = Nimbrel.GetConsole();
    if (!console) return 0;
    home = std::filesystem::current_path();
    std::filesystem::current_path(directory);
    console->SetFeatures(0); // an earlier input may have switched the input line off
    console->Show(1);
    for (size_t i = 0; i < size;) {
        const uint8_t byte = data[i++];
        if (byte >= 0xF0) {
            std::string line;
            while (i < size && data[i]) line += char(data[i] == '/' ? '_' : data[i]), ++i;
            console->Execute(line.c_str());
            console->AddHistory(line.c_str());
            continue;
        }
        const int key = byte < 13 ? kKeys[byte] : 33 + (byte - 13) % 90;
        keys[key] = 1;
        Frame(50);
        keys[key] = 0;
        Frame(i < size ? data[i] % 4 * 60 : 150);
    }
    std::filesystem::current_path(home);
    return 0;
}
