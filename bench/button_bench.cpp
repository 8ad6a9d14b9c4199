// Buttons, in one run, on a 430x400 32-bit screen (dummy driver) laid out like the Setup
// launcher's: layer 0 with six buttons (Exit, Play, Save and three tabs) and a tab layer of 20
// (check and radio clones, two sliders, push buttons), the pointer moving over them and the left
// button going down and up, so states change and sliders follow the pointer.
//
//   1. One logic frame's IButton->UpdateStates plus one IButton->Draw that redraws every button,
//      against one SDL_BlitSurface of a whole 430x400 32-bit surface onto the screen. The buttons
//      cover less than the screen, so goal: at most 1.0.
//   2. Heap allocations per frame of the same work in steady state (goal: 0).
//
// The ratio is the median of several passes; in each pass the two sides are timed in alternating
// rounds and each keeps its best round, so load from elsewhere hits both alike.
//
//   button_bench           the full run (a few seconds)
//   button_bench --smoke   a tiny run that only checks the program works (CI runs it)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "Nimbrel.h"
#include "bench_options.h"
#include "bench_support.h"
#include "button_test_util.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace buttontest;

const int kScreenWidth = 430, kScreenHeight = 400;
const double kGoal = 1.0;

struct Settings {
    int passes;
    int rounds;
    int framesPerRound;
    int countedFrames;
};

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// The launcher's screen: what it loads, where it puts it. False when something does not load.
bool BuildScreen(int package) {
    bool added = AddButton(package, "exit", Button(IButton::kNormal, 0, 0, 80, 24)) &&
                 AddButton(package, "tab", Button(IButton::kCheck, 0, 0, 100, 24)) &&
                 AddButton(package, "radio", Button(IButton::kCheck, 0, 0, 16, 16)) &&
                 AddButton(package, "push", Button(IButton::kNormal, 0, 0, 90, 22));
    TestButton slider = Button(IButton::kSlider, 0, 0, 150, 16);
    slider.record.range = 128;
    slider.record.value = 64;
    slider.pressWidth = slider.pressHeight = 12;
    added = added && AddButton(package, "slider", slider);
    if (!added) return false;

    IButton->SetLayer(0);
    for (int i = 0; i < 3; ++i) IButton->SetPosition(IButton->Load(package, "exit", 0), 20 + 100 * i, 360);
    for (int i = 0; i < 3; ++i) IButton->SetPosition(IButton->Load(package, "tab", 0), 10 + 110 * i, 10);
    const int radio = IButton->Load(package, "radio", 1);
    const int check = IButton->Load(package, "tab", 1);
    IButton->SetLayer(1);
    IButton->SetPosition(IButton->Clone(check), 20, 50);
    for (int i = 0; i < 14; ++i) IButton->SetPosition(IButton->Clone(radio), 20 + 200 * (i / 7), 90 + 30 * (i % 7));
    for (int i = 0; i < 2; ++i) IButton->SetPosition(IButton->Load(package, "slider", 0), 240, 300 + 25 * i);
    for (int i = 0; i < 3; ++i) IButton->SetPosition(IButton->Load(package, "push", 0), 320, 50 + 30 * i);
    IButton->SetLayer(0);
    IButton->ShowLayer(1, 1);
    return IButton->Dump(0) == 2 + 6 + 20 + 15; // the masters, the working buttons, the clones twice
}

// One frame: the pointer moves along a path over the buttons, the left button goes down and up.
void ButtonFrame(int frame) {
    const int step = frame % 64;
    Nimbrel.previousMouseButtons = Nimbrel.mouseButtons;
    Nimbrel.mouseX = 20 + step * 6;
    Nimbrel.mouseY = 20 + (step * 37) % 360;
    Nimbrel.mouseButtons = (frame / 3) % 2 ? SDL_BUTTON(1) : 0;
    IButton->UpdateStates();
    Nimbrel.SetUpdateMode(1);
    IButton->Draw();
}

double TimeButtons(const Settings& settings, int* frame) {
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < settings.framesPerRound; ++i) ButtonFrame((*frame)++);
    return SecondsSince(start);
}

double TimeBlits(const Settings& settings, SDL_Surface* whole) {
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < settings.framesPerRound; ++i) {
        SDL_Rect at = {0, 0, 0, 0};
        SDL_BlitSurface(whole, nullptr, Nimbrel.screen, &at);
    }
    return SecondsSince(start);
}

int Run(const Settings& settings) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "nimbrel_button_bench";
    std::error_code ignored;
    std::filesystem::create_directories(dir, ignored);
    ILogSystem.Init((dir / "button_bench.log").string().c_str(), ILogSystem::kOutputNewFile, 0, "button_bench");
    if (!StartEngineOnDummyVideo()) return 1;
    Nimbrel.width = kScreenWidth;
    Nimbrel.height = kScreenHeight;
    Nimbrel.colorDepth = 32;
    const std::string packagePath = (dir / "buttons.dpf").string();
    const int package = Nimbrel.SetVideoMode() == 1 ? IStuffDPF->Create(packagePath.c_str()) : 0;
    const bool built = package > 0 && BuildScreen(package);
    if (package > 0) IStuffDPF->Close(package);
    // The reference blit is a plain copy: the screen's own pixel format.
    const SDL_PixelFormat* format = Nimbrel.screen ? Nimbrel.screen->format : nullptr;
    SDL_Surface* whole = format ? SDL_CreateRGBSurface(0, kScreenWidth, kScreenHeight, 32, format->Rmask,
                                                       format->Gmask, format->Bmask, 0)
                                : nullptr;
    int status = 0;
    if (!built || !whole) {
        std::printf("the launcher's screen cannot be built (see %s)\n", (dir / "button_bench.log").string().c_str());
        status = 1;
    } else {
        SDL_FillRect(whole, nullptr, 0x336699);
        int frame = 0;
        std::vector<double> ratios;
        ButtonFrame(frame++);
        TimeBlits(settings, whole);
        for (int pass = 0; pass < settings.passes; ++pass) {
            double buttons = 1e30, blits = 1e30;
            for (int round = 0; round < settings.rounds; ++round) {
                blits = std::min(blits, TimeBlits(settings, whole));
                buttons = std::min(buttons, TimeButtons(settings, &frame));
            }
            ratios.push_back(buttons / blits);
        }
        const double ratio = Median(ratios);
        std::printf("1. UpdateStates + Draw of 26 buttons on two layers / one SDL_BlitSurface of 430x400x32:\n"
                    "   %.2f (goal: at most %.1f) %s\n",
                    ratio, kGoal, ratio <= kGoal ? "met" : "MISSED");

        if (!AllocationCounterWorks()) {
            std::printf("2. allocations: the counter does not see this program's own malloc\n");
            status = 1;
        } else {
            StartCountingAllocations();
            for (int i = 0; i < settings.countedFrames; ++i) ButtonFrame(frame++);
            const long allocations = StopCountingAllocations();
            const double perFrame = double(allocations) / settings.countedFrames;
            std::printf("2. Heap allocations per frame in steady state: %.2f (goal: 0) %s\n", perFrame,
                        allocations == 0 ? "met" : "MISSED");
        }
    }
    if (whole) SDL_FreeSurface(whole);
    IButton->SetLayer(1);
    IButton->Remove();
    IButton->SetLayer(0);
    IButton->Remove();
    IButton->FreeMaster(-1);
    Nimbrel.Quit();
    std::filesystem::remove_all(dir, ignored);
    return status;
}

} // namespace

int main(int argc, char** argv) {
    bool smoke = false;
    const int exit = ReadBenchOptions(argc, argv, "button_bench",
                                      "One logic frame and one drawing pass of a launcher-sized screen of buttons "
                                      "against one whole-screen blit; heap allocations per frame.",
                                      &smoke);
    if (exit >= 0) return exit;
    const Settings full = {9, 7, 200, 1000};
    const Settings tiny = {1, 1, 5, 20};
    return Run(smoke ? tiny : full);
}
