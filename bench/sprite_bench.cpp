// Sprites and the software cursor, in one run:
//
//   1. CSprite::Draw of a moving sprite with background saving on a 430x400 32-bit screen (dummy
//      driver), against one SDL_BlitSurface of the same frame to the same places. A draw puts
//      back what the last one covered, keeps what it is about to cover and blits the frame, so
//      goal: at most 3.0. Opaque and colour-keyed frames of three sizes.
//   2. Heap allocations per frame in steady state (goal: 0): malloc, calloc and realloc are
//      counted while whole frames run: the pump's logic frame and render with the cursor moving,
//      two sprites and a tile drawn.
//   3. The pump's render step (the cursor drawn, then SDL_Flip) under a real X server with the
//      x11 driver, with a moving cursor against none (goal: at most 1.2); the dummy driver's flip
//      does nothing, so only a real one shows what the cursor adds to a frame. It runs in a child
//      process: on the display of DISPLAY, or on a virtual one that xvfb-run starts when there is
//      none, and it reports "skipped: no X server" when neither can be had.
//
// Each ratio is the median of several passes; in each pass the two sides are timed in
// alternating rounds and each keeps its best round, so load from elsewhere hits both alike.
//
//   sprite_bench           the full run (about half a minute)
//   sprite_bench --smoke   a tiny run that only checks the program works (CI runs it)
//   sprite_bench --help
// (--x11-render is the child's part of item 3.)
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "Nimbrel.h"
#include "NimbrelAuthoring.h"
#include "bench_options.h"
#include "bench_support.h"
#include "testing/test_seams.h"

namespace {

using Clock = std::chrono::steady_clock;

const int kScreenWidth = 430, kScreenHeight = 400;
const double kDrawGoal = 3.0;
const double kRenderGoal = 1.2;

struct Settings {
    int passes;
    int rounds;         // alternating rounds per side in each pass
    int drawsPerRound;  // sprite draws (or blits) in one timed round
    int framesPerRound; // rendered frames in one timed round
    int countedFrames;  // frames whose allocations are counted
};

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// Time ratios sides[0] / sides[k] for k >= 1: for each, the median over passes of the sides' best
// rounds. Each side returns the seconds of one round of the same amount of work.
std::vector<double> Ratios(const Settings& settings, const std::vector<std::function<double()>>& sides) {
    std::vector<std::vector<double>> ratios(sides.size());
    for (const std::function<double()>& side : sides) side(); // first blits prepare surfaces (RLE, blit maps)
    for (int pass = 0; pass < settings.passes; ++pass) {
        std::vector<double> best(sides.size(), 1e30);
        for (int round = 0; round < settings.rounds; ++round)
            for (size_t side = sides.size(); side-- > 0;) best[side] = std::min(best[side], sides[side]());
        for (size_t side = 1; side < sides.size(); ++side) ratios[side].push_back(best[0] / best[side]);
    }
    std::vector<double> medians;
    for (size_t side = 1; side < sides.size(); ++side) medians.push_back(Median(ratios[side]));
    return medians;
}

const char* Verdict(double ratio, double goal) { return ratio <= goal ? "met" : "MISSED"; }

// ---- Artwork ------------------------------------------------------------------------------------
// Made as a game's artwork is: RGBA pixels turned into payloads by the authoring interface.

const SDL_Color kKeyColour = {255, 0, 255, 0};

// Busy pixels and, when keyed, every 7th one the key colour.
NimbrelAuthoring::RgbaImage Artwork(Uint32 width, Uint32 height, bool keyed) {
    NimbrelAuthoring::RgbaImage image;
    image.Resize(width, height);
    for (Uint32 y = 0; y < height; ++y)
        for (Uint32 x = 0; x < width; ++x) {
            const Uint32 value = keyed && (x + y) % 7 == 0 ? 0xFF00FF : (x * 2654435761u + y * 40503u) & 0xFFFFFF;
            Uint8* p = image.Pixel(x, y);
            p[0] = Uint8(value >> 16), p[1] = Uint8(value >> 8), p[2] = Uint8(value), p[3] = 255;
        }
    return image;
}

// A package in the temporary folder holding the blocks the run draws, removed when done.
class ScratchPackage {
public:
    ScratchPackage()
        : path_((std::filesystem::temp_directory_path() / ("sprite_bench_" + std::to_string(getpid()) + ".dpf"))
                    .string()),
          handle_(IStuffDPF->Create(path_.c_str())) {}
    ~ScratchPackage() {
        if (handle_ > 0) IStuffDPF->Close(handle_);
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    int handle() const { return handle_; }
    bool Add(const char* name, const char* type, std::vector<Uint8>& payload) {
        DPFBlock block{};
        std::strcpy(block.name, name);
        std::strcpy(block.type, type);
        block.mode = DPFBlock::kStored;
        block.originalSize = Uint32(payload.size());
        block.data = payload.data();
        return handle_ > 0 && IStuffDPF->AddData(handle_, &block) > 0;
    }

private:
    std::string path_;
    int handle_;
};

// A sprite of one looping animation of four size x size frames, each shown 0 ms, so it moves on
// at every draw.
bool AddSprite(ScratchPackage& package, const char* name, Uint32 size, bool keyed) {
    NimbrelAuthoring::SpritePayloadOptions options;
    options.pixels.hasKey = keyed;
    options.pixels.keyColour = kKeyColour;
    options.frameWidth = options.frameHeight = size;
    options.animations.resize(1);
    options.animations[0].frameTimes.assign(4, 0);
    std::vector<Uint8> payload;
    return NimbrelAuthoring::BuildSpritePayload(Artwork(4 * size, size, keyed), options, &payload, nullptr) &&
           package.Add(name, "SPR2", payload);
}

bool AddTileSet(ScratchPackage& package, const char* name) {
    NimbrelAuthoring::TilePayloadOptions options;
    options.tileWidth = options.tileHeight = 16;
    std::vector<Uint8> payload;
    return NimbrelAuthoring::BuildTilePayload(Artwork(64, 32, false), options, &payload, nullptr) &&
           package.Add(name, "TILE2", payload);
}

// Makes a 12x18 cursor with a keyed outline, its hot spot at its top left, the current one.
bool SelectCursor() {
    SDL_Surface* image = SDL_CreateRGBSurface(SDL_SWSURFACE, 12, 18, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    if (!image) return false;
    SDL_FillRect(image, nullptr, 0xFFFFFF);
    SDL_Rect inner = {1, 1, 10, 16};
    SDL_FillRect(image, &inner, 0x202020);
    SDL_SetColorKey(image, SDL_SRCCOLORKEY, 0xFFFFFF);
    const int slot = ICursor->Create(image, ICursor::kTopLeft);
    SDL_FreeSurface(image);
    if (slot == ICursor::kNoCursor) return false;
    ICursor->Select(slot);
    return true;
}

// A screen that is not one colour, so that no blit can take a shortcut.
void PaintScreen() {
    SDL_Surface* screen = Nimbrel.screen;
    for (int y = 0; y < screen->h; y += 10) {
        SDL_Rect band = {0, Sint16(y), Uint16(screen->w), 10};
        SDL_FillRect(screen, &band, SDL_MapRGB(screen->format, Uint8(y), Uint8(255 - y / 2), 90));
    }
}

// Where a moving thing is at step i: a walk around a rectangle inside the screen.
SDL_Rect PathPoint(int i, int size) {
    const int spanX = kScreenWidth - size - 40, spanY = kScreenHeight - size - 40;
    const int lap = 2 * (spanX + spanY), at = i % lap;
    int x, y;
    if (at < spanX)
        x = at, y = 0;
    else if (at < spanX + spanY)
        x = spanX, y = at - spanX;
    else if (at < 2 * spanX + spanY)
        x = spanX - (at - spanX - spanY), y = spanY;
    else
        x = 0, y = spanY - (at - 2 * spanX - spanY);
    return {Sint16(20 + x), Sint16(20 + y), 0, 0};
}

// ---- 1. Drawing a sprite ------------------------------------------------------------------------

bool StartDummyScreen() {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    if (Nimbrel.Init(SDL_INIT_TIMER | SDL_INIT_VIDEO) < 0) return false;
    Nimbrel.width = kScreenWidth;
    Nimbrel.height = kScreenHeight;
    Nimbrel.colorDepth = 32;
    Nimbrel.frameDelay = 0;
    if (!Nimbrel.SetVideoMode() || Nimbrel.screen->format->BitsPerPixel != 32 ||
        (Nimbrel.screen->flags & SDL_DOUBLEBUF))
        return false;
    PaintScreen();
    ICursor->Init();
    return SelectCursor();
}

// The sprite's last draw must have put its current frame on the screen at `at`.
bool DrewItsFrame(CSprite& sprite, SDL_Rect at, int size) {
    SDL_Surface* sheet = sprite.GetSurface();
    SDL_Surface* screen = Nimbrel.screen;
    for (int y = 0; y < size; ++y) {
        const Uint8* drawn = static_cast<Uint8*>(screen->pixels) + (at.y + y) * screen->pitch + at.x * 4;
        const Uint8* frame = static_cast<Uint8*>(sheet->pixels) + y * sheet->pitch + sprite.GetFrame() * size * 4;
        if (std::memcmp(drawn, frame, size_t(size) * 4) != 0) return false;
    }
    return true;
}

bool DrawTable(const Settings& settings, ScratchPackage& package) {
    std::printf("1. CSprite::Draw of a moving sprite, background saved, on a %dx%d 32-bit screen (dummy driver):\n"
                "   time ratio Draw / one SDL_BlitSurface of the frame, goal at most %.1f; and, for scale,\n"
                "   Draw / one Nimbrel_Blit of the frame (a draw's work is three such blits)\n",
                kScreenWidth, kScreenHeight, kDrawGoal);
    std::printf("   %-16s %16s %16s\n", "frame", "/ SDL_BlitSurface", "/ Nimbrel_Blit");
    // The cursor stays in a corner the sprites never reach, so each draw only asks it.
    NimbrelTestSeam::SetMouse(true, 2, 2, 0);
    ICursor->SetLastPosition(2, 2);
    Nimbrel.Update(nullptr);
    for (Uint32 size : {32u, 64u, 128u}) {
        for (bool keyed : {false, true}) {
            const std::string name = "s" + std::to_string(size) + (keyed ? "k" : "");
            CSprite sprite;
            if (!AddSprite(package, name.c_str(), size, keyed) ||
                sprite.Load(package.handle(), name.c_str(), "bench") != 1) {
                std::printf("   %ux%u: the sprite does not load\n", size, size);
                return false;
            }
            int step = 0;
            auto draws = [&]() {
                const Clock::time_point start = Clock::now();
                for (int i = 0; i < settings.drawsPerRound; ++i, ++step) {
                    const SDL_Rect at = PathPoint(step, int(size));
                    sprite.SetPosition(at.x, at.y, 0);
                    sprite.Draw(nullptr);
                }
                return SecondsSince(start);
            };
            // The same frames to the same places, by one blit each.
            auto blits = [&](int (*blit)(SDL_Surface*, SDL_Rect*, SDL_Surface*, SDL_Rect*)) {
                const Clock::time_point start = Clock::now();
                for (int i = 0; i < settings.drawsPerRound; ++i, ++step) {
                    SDL_Rect from = {Sint16((step & 3) * int(size)), 0, Uint16(size), Uint16(size)};
                    SDL_Rect at = PathPoint(step, int(size));
                    blit(sprite.GetSurface(), &from, Nimbrel.screen, &at);
                }
                return SecondsSince(start);
            };
            const std::vector<double> ratios =
                Ratios(settings, {draws, [&]() { return blits(SDL_UpperBlit); },
                                  [&]() {
                                      return blits([](SDL_Surface* a, SDL_Rect* b, SDL_Surface* c, SDL_Rect* d) {
                                          return Nimbrel_Blit(a, b, c, d);
                                      });
                                  }});
            const SDL_Rect at = PathPoint(step, int(size));
            sprite.SetPosition(at.x, at.y, 0);
            sprite.Draw(nullptr);
            if (!keyed && !DrewItsFrame(sprite, at, int(size))) {
                std::printf("   %ux%u: CSprite::Draw did not draw its frame\n", size, size);
                return false;
            }
            const std::string label =
                std::to_string(size) + "x" + std::to_string(size) + (keyed ? " keyed" : " opaque");
            std::printf("   %-16s %12.2f %-4s %15.2f\n", label.c_str(), ratios[0], Verdict(ratios[0], kDrawGoal),
                        ratios[1]);
            std::fflush(stdout);
        }
    }
    return true;
}

// ---- 2. Allocations per frame -------------------------------------------------------------------

bool AllocationLine(const Settings& settings, ScratchPackage& package) {
    CSprite walker, keyed;
    CTile tiles;
    if (!AddSprite(package, "walker", 48, false) || !AddSprite(package, "keyed", 24, true) ||
        !AddTileSet(package, "tiles") || walker.Load(package.handle(), "walker", "bench") != 1 ||
        keyed.Load(package.handle(), "keyed", "bench") != 1 || !tiles.Load(package.handle(), "tiles", "TILE2")) {
        std::printf("2. allocations: the sprites and tiles do not load\n");
        return false;
    }
    // Every pump call runs a logic frame and renders: the input, the cursor and the flip each time.
    ITimeSystem->Init(0);
    ITimeSystem->SetRate(0, 0);
    int step = 0;
    auto frame = [&]() {
        const SDL_Rect mouse = PathPoint(step * 3, 18), at = PathPoint(step, 48);
        NimbrelTestSeam::SetMouse(true, mouse.x, mouse.y, 0);
        walker.SetPosition(at.x, at.y, step % 2);
        keyed.SetPosition(mouse.x - 4, mouse.y + 3, 0); // under the cursor
        tiles.SetPosition(at.y, at.x);
        walker.Draw(nullptr);
        keyed.Draw(nullptr);
        tiles.Draw(nullptr, 1 + step % 8);
        Nimbrel.Update(nullptr);
        ++step;
    };
    for (int i = 0; i < 50; ++i) frame(); // whatever is made once is made now
    // The counter must see an allocation that surely happens, or its 0 would mean nothing.
    if (!AllocationCounterWorks()) {
        std::printf("2. allocations: the counter does not see this program's own malloc\n");
        return false;
    }
    StartCountingAllocations();
    for (int i = 0; i < settings.countedFrames; ++i) frame();
    const long allocations = StopCountingAllocations();
    const double perFrame = double(allocations) / settings.countedFrames;
    std::printf("\n2. Heap allocations per frame in steady state (pump logic and render with a moving cursor,\n"
                "   two sprites and a tile drawn), over %d frames: %.2f (%ld in all), goal 0: %s\n",
                settings.countedFrames, perFrame, allocations, allocations == 0 ? "met" : "MISSED");
    return true;
}

// ---- 3. Rendering under X11 ---------------------------------------------------------------------

// The child's part: the render step with a moving cursor against none. Prints "ratio R" or
// "no-display REASON" on standard output.
int RenderUnderX11(const Settings& settings) {
    if (Nimbrel.Init(SDL_INIT_TIMER | SDL_INIT_VIDEO) < 0) {
        std::printf("no-display %s\n", SDL_GetError());
        return 0;
    }
    Nimbrel.width = kScreenWidth;
    Nimbrel.height = kScreenHeight;
    Nimbrel.colorDepth = 32;
    Nimbrel.windowMode = 1;
    Nimbrel.frameDelay = 0;
    if (!Nimbrel.SetVideoMode()) {
        std::printf("no-display %s\n", SDL_GetError());
        Nimbrel.Quit();
        return 0;
    }
    char driver[32] = "";
    SDL_VideoDriverName(driver, sizeof driver);
    PaintScreen();
    ICursor->Init();
    ITimeSystem->Init(0);
    ITimeSystem->SetRate(0, 0); // every pump call renders
    // A server that has just started takes its time over the window's first frames.
    for (int i = 0; i < 50; ++i) Nimbrel.Update(nullptr);
    int step = 0;
    auto frames = [&](bool withCursor) {
        if (withCursor)
            SelectCursor();
        else
            ICursor->Delete(ICursor->GetCurrent());
        const Clock::time_point start = Clock::now();
        for (int i = 0; i < settings.framesPerRound; ++i, ++step) {
            const SDL_Rect mouse = PathPoint(step * 3, 18);
            NimbrelTestSeam::SetMouse(true, mouse.x, mouse.y, 0);
            Nimbrel.Update(nullptr);
        }
        return SecondsSince(start);
    };
    const double ratio = Ratios(settings, {[&]() { return frames(true); }, [&]() { return frames(false); }})[0];
    std::printf("driver %s\nratio %.4f\n", driver, ratio);
    Nimbrel.Quit();
    return 0;
}

// Runs this program again with the given words in front of it and after it; its standard output.
bool RunSelf(const std::vector<std::string>& before, const std::vector<std::string>& after, std::string* output) {
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return false;
    self[length] = '\0';
    std::vector<std::string> words = before;
    words.push_back(self);
    words.insert(words.end(), after.begin(), after.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(&word[0]);
    argv.push_back(nullptr);

    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (spawned == 0) {
        char buffer[512];
        ssize_t got;
        while ((got = read(pipeEnds[0], buffer, sizeof buffer)) > 0) output->append(buffer, size_t(got));
    }
    close(pipeEnds[0]);
    int status = 0;
    return spawned == 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void RenderLine(bool smoke) {
    std::printf("\n3. The pump's render step (cursor drawn, SDL_Flip) on a %dx%d 32-bit window, x11 driver:\n"
                "   time ratio with a moving cursor / without, goal at most %.1f\n",
                kScreenWidth, kScreenHeight, kRenderGoal);
    std::fflush(stdout);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    const std::vector<std::string> part =
        smoke ? std::vector<std::string>{"--x11-render", "--smoke"} : std::vector<std::string>{"--x11-render"};
    const char* display = std::getenv("DISPLAY");
    const bool own = !display || !*display;
    // A virtual server that is not ready in time is tried again, as the end-to-end tests do.
    const std::string noDisplay = "no-display ";
    std::string output;
    for (int attempt = 0; attempt < 3; ++attempt) {
        output.clear();
        const std::vector<std::string> before =
            own ? std::vector<std::string>{"xvfb-run", "-a", "-s", "-screen 0 1024x768x24"}
                : std::vector<std::string>{};
        if (!RunSelf(before, part, &output))
            output = noDisplay + (own ? "xvfb-run is missing or failed" : "the measuring process failed");
        if (output.compare(0, noDisplay.size(), noDisplay) != 0 || !own) break;
    }
    const size_t at = output.find("ratio ");
    if (at == std::string::npos) {
        const std::string why = output.compare(0, noDisplay.size(), noDisplay) == 0 ? output.substr(noDisplay.size())
                                                                                   : "no answer";
        std::printf("   skipped: no X server (%s)\n", why.substr(0, why.find('\n')).c_str());
        return;
    }
    const double ratio = std::atof(output.c_str() + at + 6);
    std::printf("   %s%s: %.2f  %s\n", own ? "virtual X server (xvfb-run)" : "X server at ", own ? "" : display, ratio,
                Verdict(ratio, kRenderGoal));
}

} // namespace

int main(int argc, char** argv) {
    const bool x11Part = TakeOwnOption(&argc, argv, "--x11-render");
    bool smoke = false;
    const int status =
        ReadBenchOptions(argc, argv, "sprite_bench",
                         "Times CSprite::Draw with background saving against SDL_BlitSurface, counts heap\n"
                         "allocations per frame, and times a render with the software cursor against one\n"
                         "without under a real X server (started with xvfb-run when DISPLAY is not set).",
                         &smoke);
    if (status >= 0) return status;
    const Settings settings = smoke ? Settings{1, 1, 20, 5, 20} : Settings{7, 5, 2000, 200, 2000};
    if (x11Part) return RenderUnderX11(settings);
    if (smoke) std::printf("(a smoke run: its rounds are too short for the figures to mean anything)\n\n");

    if (!StartDummyScreen()) {
        std::printf("the engine does not start on a %dx%d 32-bit dummy screen: %s\n", kScreenWidth, kScreenHeight,
                    SDL_GetError());
        return 1;
    }
    {
        ScratchPackage package;
        if (package.handle() <= 0) {
            std::printf("cannot make a package in %s\n", std::filesystem::temp_directory_path().c_str());
            Nimbrel.Quit();
            return 1;
        }
        if (!DrawTable(settings, package) || !AllocationLine(settings, package)) {
            Nimbrel.Quit();
            return 1;
        }
    }
    Nimbrel.Quit();
    RenderLine(smoke);
    return 0;
}
