// present_bench: what renderer 64's OpenGL presenter costs per frame, against SDL_Flip of the same
// 640x480 32-bit software screen, measured in the same run on a real X server (started with
// xvfb-run when DISPLAY is not set; there the OpenGL driver is Mesa's software renderer).
//
//   1. A frame whose every row changed: presenting through the backend (compare, upload, draw,
//      swap) against SDL_Flip. Goal: at most 3.0.
//   2. A frame where nothing changed: the comparison finds no row to upload.
//   3. Upload bandwidth: the bytes of a whole frame over the difference between 1 and 2 (the
//      comparison, the copy and the texture upload of every row), as a fraction of memcpy's.
//
// The measuring half runs in a child process on the x11 driver; a display without OpenGL skips
// the backend's half with the reason.
#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "Nimbrel.h"
#include "bench_options.h"
#include "bench_support.h"
#include "gfx/gl_presenter.h"

namespace {

const int kWidth = 640, kHeight = 480;
const double kGoal = 3.0;
const char kMeasureOption[] = "--measure";

struct Settings {
    int rounds;
    int framesPerRound;
};

using Clock = std::chrono::steady_clock;

// A picture that differs in every row from the one before, so every row must be shown anew.
void Paint(SDL_Surface* screen, int frame) {
    for (int y = 0; y < screen->h; ++y) {
        SDL_Rect row = {0, Sint16(y), Uint16(screen->w), 1};
        SDL_FillRect(screen, &row, SDL_MapRGB(screen->format, Uint8(frame * 7 + y), Uint8(y), Uint8(frame)));
    }
}

// Microseconds of `show` per frame: the median over the rounds. Painting is not timed.
double MicrosecondsPerFrame(const Settings& settings, SDL_Surface* screen, bool changeEveryFrame,
                            const std::function<void()>& show) {
    std::vector<double> rounds;
    int frame = 0;
    for (int round = 0; round < settings.rounds; ++round) {
        double seconds = 0;
        for (int i = 0; i < settings.framesPerRound; ++i) {
            if (changeEveryFrame) Paint(screen, ++frame);
            const Clock::time_point start = Clock::now();
            show();
            seconds += std::chrono::duration<double>(Clock::now() - start).count();
        }
        rounds.push_back(seconds * 1e6 / settings.framesPerRound);
    }
    return Median(rounds);
}

double MemcpyMicroseconds(const Settings& settings, const SDL_Surface* screen) {
    const size_t bytes = size_t(screen->pitch) * screen->h;
    std::vector<unsigned char> from(bytes, 1), to(bytes);
    std::vector<double> rounds;
    for (int round = 0; round < settings.rounds; ++round) {
        const Clock::time_point start = Clock::now();
        for (int i = 0; i < settings.framesPerRound; ++i) {
            from[size_t(i) % bytes] = static_cast<unsigned char>(i);
            std::memcpy(to.data(), from.data(), bytes);
        }
        rounds.push_back(std::chrono::duration<double>(Clock::now() - start).count() * 1e6 / settings.framesPerRound);
    }
    std::printf("   (memcpy check byte %d)\n", to[bytes / 2]); // keeps the copies from being optimised away
    return Median(rounds);
}

bool OpenScreen(int renderer) {
    Nimbrel.renderer = Uint8(renderer);
    Nimbrel.acceleration = 3; // nearest: at 1:1 both filters give the same pixels
    Nimbrel.windowMode = 1;
    Nimbrel.colorDepth = 32;
    Nimbrel.width = kWidth;
    Nimbrel.height = kHeight;
    // No wait for the retrace: the cost of presenting is measured, not the display's rate.
    Nimbrel.frameDelay = 10;
    return Nimbrel.SetVideoMode() == 1;
}

int Measure(const Settings& settings) {
    if (!StartEngineOnDummyVideo()) return 1; // started with SDL_VIDEODRIVER=x11, which it keeps
    if (!OpenScreen(kRendererWindib)) {
        std::printf("no X display: %s\n", SDL_GetError());
        Nimbrel.Quit();
        return kNoDisplayStatus;
    }
    const double flip = MicrosecondsPerFrame(settings, Nimbrel.screen, true, [] { SDL_Flip(Nimbrel.screen); });
    std::printf("1. A %dx%d 32-bit frame with every row changed, shown:\n   SDL_Flip        %8.1f us\n", kWidth,
                kHeight, flip);
    if (!OpenScreen(kRendererOpenGL) || !OpenGLIsPresenting()) {
        std::printf("   OpenGL backend: skipped (no OpenGL on this display; see the engine's log line above)\n");
        Nimbrel.Quit();
        return 0;
    }
    SDL_Surface* screen = Nimbrel.screen;
    const double changed = MicrosecondsPerFrame(settings, screen, true, OpenGLPresent);
    // Drawn again although unchanged: the drawing and the swap without the upload.
    const double unchanged = MicrosecondsPerFrame(settings, screen, false, [] {
        OpenGLWindowNeedsPicture();
        OpenGLPresent();
    });
    const double idle = MicrosecondsPerFrame(settings, screen, false, OpenGLPresent);
    const double ratio = changed / flip;
    std::printf("   OpenGL backend  %8.1f us   ratio %.2f, goal at most %.1f: %s\n", changed, ratio, kGoal,
                ratio <= kGoal ? "met" : "MISSED");
    std::printf("2. The same frame unchanged, drawn and swapped again: %.1f us (%.2f of SDL_Flip);\n"
                "   left on the window as it is: %.1f us (%.2f of SDL_Flip)\n",
                unchanged, unchanged / flip, idle, idle / flip);
    const double bytes = double(screen->w) * screen->h * screen->format->BytesPerPixel;
    const double copy = MemcpyMicroseconds(settings, screen);
    const double upload = changed - unchanged;
    if (upload > 0) {
        std::printf("3. Upload of a whole frame: %.1f us, %.0f MB/s; memcpy %.1f us, %.0f MB/s: %.2f of memcpy's "
                    "bandwidth\n",
                    upload, bytes / upload, copy, bytes / copy, copy / upload);
    } else {
        std::printf("3. Upload of a whole frame: too small to tell apart from an unchanged frame in this run\n");
    }
    Nimbrel.Quit();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const bool measure = TakeOwnOption(&argc, argv, kMeasureOption);
    bool smoke = false;
    const int status = ReadBenchOptions(argc, argv, "present_bench",
                                        "Times presenting a 640x480 32-bit frame through renderer 64's OpenGL\n"
                                        "backend against SDL_Flip of the same software screen, and the upload's\n"
                                        "bandwidth against memcpy, on a real X server (started with xvfb-run when\n"
                                        "DISPLAY is not set).",
                                        &smoke);
    if (status >= 0) return status;
    const Settings settings = smoke ? Settings{1, 3} : Settings{9, 100};
    if (measure) return Measure(settings);
    if (smoke) std::printf("(a smoke run: its rounds are too short for the figures to mean anything)\n\n");
    const int result = RunSelfOnX11(kMeasureOption, smoke);
    if (result == kNoDisplayStatus) {
        std::printf("skipped: no X server could be started (is xvfb-run installed?)\n");
        return 0;
    }
    return result;
}
