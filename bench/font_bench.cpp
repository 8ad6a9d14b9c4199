// CFont::Print against SDL_ttf: one 40-character line onto a 32-bit 430x400 screen (the dummy
// video driver), with DejaVu Sans at 16 pixels both ways. CFont prints from a bitmap that
// `dpf add-font` would make (rendered once with FreeType, anti-aliased into alpha); SDL_ttf renders
// the line with TTF_RenderText_Blended and the surface is blitted, as a game without bitmap fonts
// would. The two are timed in alternating rounds on this thread's processor time, and each keeps
// its best round, so load from elsewhere hits both alike. Reported:
//   - the speed ratio, SDL_ttf time / CFont time per line (the goal is at least 5);
//   - CFont::GetTextWidth per character;
//   - heap allocations per printed line once the font is loaded (the goal is 0), counted by this
//     program's own malloc, calloc and realloc, which forward to the C library's.
//
//   font_bench           the full run (a few seconds)
//   font_bench --smoke   a tiny run that only checks the program works
//   font_bench --help
#include <SDL_ttf.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "Nimbrel.h"
#include "NimbrelAuthoring.h"
#include "bench_options.h"
#include "bench_support.h"

namespace {

const char kFontFile[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const int kPixelSize = 16;
const char kLine[] = "The quick brown fox jumps over lazy dogs"; // 40 characters

// Seconds of processor time this thread has used: other processes on a busy machine take turns
// with it, which wall time would count.
double Now() {
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

struct Settings {
    int linesPerRound;
    int rounds;
};

int LineY(int i) { return 10 + (i * 23) % 370; }

double SecondsPerLine(CFont& font, int lines) {
    const double start = Now();
    for (int i = 0; i < lines; ++i) font.Print(Nimbrel.screen, 10, LineY(i), kLine);
    return (Now() - start) / lines;
}

void PrintWithTtf(TTF_Font* font, int i) {
    const SDL_Color white = {255, 255, 255, 0};
    SDL_Surface* line = TTF_RenderText_Blended(font, kLine, white);
    SDL_Rect at = {10, Sint16(LineY(i)), 0, 0};
    SDL_BlitSurface(line, nullptr, Nimbrel.screen, &at);
    SDL_FreeSurface(line);
}

double SecondsPerTtfLine(TTF_Font* font, int lines) {
    const double start = Now();
    for (int i = 0; i < lines; ++i) PrintWithTtf(font, i);
    return (Now() - start) / lines;
}

// The font as dpf add-font makes it, loaded from a package through CFont::Load.
bool LoadFont(CFont* font, const std::string& package) {
    NimbrelAuthoring::FontRenderOptions options;
    options.pixelSize = kPixelSize;
    NimbrelAuthoring::RgbaImage bitmap;
    std::vector<Uint8> payload;
    std::string problem;
    if (!NimbrelAuthoring::RenderFontBitmap(kFontFile, options, &bitmap, &problem) ||
        !NimbrelAuthoring::BuildFontPayload(bitmap, 0, &payload, &problem)) {
        std::printf("cannot make the font: %s\n", problem.c_str());
        return false;
    }
    const int handle = IStuffDPF->Create(package.c_str());
    if (handle <= 0) return false;
    DPFBlock block{};
    std::strcpy(block.name, "sans");
    std::strcpy(block.type, "FONT2");
    block.mode = DPFBlock::kStored;
    block.originalSize = Uint32(payload.size());
    block.data = payload.data();
    const bool added = IStuffDPF->AddData(handle, &block) > 0;
    const bool loaded = added && font->Load(handle, "sans") == 1;
    IStuffDPF->Close(handle);
    return loaded;
}

int Run(const Settings& settings) {
    Nimbrel.width = 430;
    Nimbrel.height = 400;
    Nimbrel.colorDepth = 32;
    if (Nimbrel.SetVideoMode() != 1 || Nimbrel.screen->format->BytesPerPixel != 4) {
        std::printf("no 32-bit 430x400 screen\n");
        return 1;
    }
    const std::string package =
        (std::filesystem::temp_directory_path() / ("font_bench_" + std::to_string(getpid()) + ".dpf")).string();
    CFont font;
    const bool loaded = LoadFont(&font, package);
    std::error_code ignored;
    std::filesystem::remove(package, ignored);
    if (!loaded) {
        std::printf("the font did not load\n");
        return 1;
    }
    if (TTF_Init() != 0) {
        std::printf("SDL_ttf does not start: %s\n", TTF_GetError());
        return 1;
    }
    TTF_Font* ttf = TTF_OpenFont(kFontFile, kPixelSize);
    if (!ttf) {
        std::printf("SDL_ttf cannot open %s: %s\n", kFontFile, TTF_GetError());
        return 1;
    }
    int ttfWidth = 0, ttfHeight = 0;
    TTF_SizeText(ttf, kLine, &ttfWidth, &ttfHeight);

    double engine = 1e30, library = 1e30;
    SecondsPerLine(font, 10); // warm both up: caches, the glyph cache of SDL_ttf
    SecondsPerTtfLine(ttf, 10);
    for (int round = 0; round < settings.rounds; ++round) {
        library = std::min(library, SecondsPerTtfLine(ttf, settings.linesPerRound));
        engine = std::min(engine, SecondsPerLine(font, settings.linesPerRound));
    }

    const int widthCalls = settings.linesPerRound * 20;
    volatile int sink = 0;
    double width = 1e30;
    for (int round = 0; round < settings.rounds; ++round) {
        const double start = Now();
        for (int i = 0; i < widthCalls; ++i) sink = sink + font.GetTextWidth(kLine);
        width = std::min(width, (Now() - start));
    }

    const int countedLines = settings.linesPerRound;
    StartCountingAllocations();
    SecondsPerLine(font, countedLines);
    const long engineAllocations = StopCountingAllocations();
    StartCountingAllocations();
    SecondsPerTtfLine(ttf, countedLines);
    const long ttfAllocations = StopCountingAllocations();

    std::printf("DejaVu Sans %d px, a %zu-character line onto a 32-bit 430x400 screen\n", kPixelSize, std::strlen(kLine));
    std::printf("  line width: CFont %d px, SDL_ttf %d px\n", font.GetTextWidth(kLine), ttfWidth);
    std::printf("  CFont::Print                          %9.2f us per line\n", engine * 1e6);
    std::printf("  TTF_RenderText_Blended + blit         %9.2f us per line\n", library * 1e6);
    std::printf("  speed ratio SDL_ttf / CFont           %9.2f (goal: at least 5)\n", library / engine);
    std::printf("  CFont::GetTextWidth                   %9.2f ns per character\n",
                width / widthCalls / double(std::strlen(kLine)) * 1e9);
    std::printf("  heap allocations per line: CFont %.2f (goal: 0), SDL_ttf %.2f\n",
                double(engineAllocations) / countedLines, double(ttfAllocations) / countedLines);

    TTF_CloseFont(ttf);
    TTF_Quit();
    return engineAllocations == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    bool smoke = false;
    int status = ReadBenchOptions(argc, argv, "font_bench",
                                  "Times CFont::Print of a 40-character line against SDL_ttf rendering and blitting it, "
                                  "and counts the heap allocations of printing.",
                                  &smoke);
    if (status >= 0) return status;
    const Settings settings = smoke ? Settings{20, 1} : Settings{2000, 15};
    if (!StartEngineOnDummyVideo()) return 1;
    status = Run(settings);
    Nimbrel.Quit();
    return status;
}
