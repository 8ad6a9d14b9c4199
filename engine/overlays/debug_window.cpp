// cDebugWO: the watch window. Watches are formatted twice a second into the window's lines, whose
// strings are reused, so a shown window allocates nothing once its texts have reached their length.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/clock.h"
#include "overlays/simple_win_private.h"
#include "overlays/window_commands.h"

namespace {

const Uint32 kRefreshMs = 500;
const size_t kItemSize = 129; // at most 128 characters

struct Watch {
    std::string name;
    const Sint32* integer;
    const double* value;
};

void FormatItem(const Watch& watch, char* item) {
    if (watch.integer && watch.value)
        std::snprintf(item, kItemSize, "%s %d %.4f", watch.name.c_str(), int(*watch.integer), *watch.value);
    else if (watch.integer)
        std::snprintf(item, kItemSize, "%s %d", watch.name.c_str(), int(*watch.integer));
    else
        std::snprintf(item, kItemSize, "%s %.4f", watch.name.c_str(), *watch.value);
}

} // namespace

struct cDebugWO::DebugState {
    std::vector<Watch> watches;
    int textX = -1, textY = -1;
    bool refreshed = false;
    Uint32 lastRefresh = 0;
    cConsole* console = nullptr;
};

struct DebugInternals {
    static int Debug(void* context, int wordCount, const char* const* words);
};

cDebugWO::cDebugWO(cConsole* console, const char* title) : state(new DebugState) {
    SetTitle(title ? title : "Nimbrel Debug Window");
    if (Nimbrel.screen) {
        priv->x = Sint16(Nimbrel.screen->w / 3);
        priv->y = Sint16(Nimbrel.screen->h / 2);
        priv->width = Uint16(Nimbrel.screen->w / 3);
        priv->height = Uint16(Nimbrel.screen->h / 3);
        priv->enabled = true; // the setter works only on an enabled window
        SetBackgroundColor(0, 192, 0);
        priv->enabled = false;
        Relayout();
    }
    if (console) {
        state->console = console;
        console->RegisterCommand("debug", "Debug window control commands", DebugInternals::Debug, this);
    } else {
        ILogSystem.Msg(2, " . [DebugWO] Warning: console hook not available.\n");
    }
}

cDebugWO::~cDebugWO() { delete state; }

int cDebugWO::AddWatch(const char* name, const Sint32* integer, const double* value) {
    if (!name || (!integer && !value)) return 0;
    state->watches.push_back(Watch{name, integer, value});
    return 1;
}

bool cDebugWO::RemoveWatch(const char* name) {
    if (!name) return false;
    for (auto watch = state->watches.begin(); watch != state->watches.end(); ++watch) {
        if (watch->name != name) continue;
        state->watches.erase(watch);
        return true;
    }
    return false;
}

int cDebugWO::GetWatchCount() const { return int(state->watches.size()); }

bool cDebugWO::Update() {
    if (!cSimpleWin::Update()) return false;
    const Uint32 now = EngineTicks();
    if (state->refreshed && now - state->lastRefresh < kRefreshMs) return false;
    state->refreshed = true;
    state->lastRefresh = now;
    RequestOverlayRedraw();
    ClearLines();
    char item[kItemSize];
    for (const Watch& watch : state->watches) {
        FormatItem(watch, item);
        AddLine(item);
    }
    return true;
}

void cDebugWO::Relayout() {
    CFont* font = priv->font;
    if (!font || font->GetTextWidth("M") <= 0 || priv->width == 0) return;
    state->textX = priv->x + 5;
    state->textY = priv->y + font->GetHeight() + 5;
}

void cDebugWO::Draw() {
    if (!priv->enabled || priv->fadeState == kHidden || !Nimbrel.screen) return;
    DrawBackground();
    SDL_Rect clip = Area();
    CFont* font = priv->font;
    const int fontHeight = font->GetHeight();
    font->Print(Nimbrel.screen, priv->x + (priv->width - font->GetTextWidth(GetTitle())) / 2, priv->y + 5, GetTitle(),
                &clip);
    int pen = 5, row = 5;
    for (size_t i = 0; i < priv->lines.Count() && fontHeight + row < priv->height; ++i) {
        const char* text = priv->lines.At(i).c_str();
        const int width = font->GetTextWidth(text);
        if (pen + width < priv->width) {
            font->Print(Nimbrel.screen, state->textX + pen, state->textY + row, text, &clip);
            pen += width + 10;
        } else {
            row += fontHeight;
            if (fontHeight + row >= priv->height) break;
            font->Print(Nimbrel.screen, state->textX + 5, state->textY + row, text, &clip);
            pen = 5 + width + 10;
        }
    }
}

namespace {

WindowCommandHelp kDebugHelp = {
    "  <alpha> [64 to 255] - Adjust the alpha value of the console",
    "  <color> R G B - Set the debug window background color",
    "  <enable> [0]|[1] - Enable or disable the debug window",
    "  <hide> - Hide the debug window",
    "  <list> - List all watches and its values",
    "  <move> x y - Move the debug window to (x,y). Negative value to preserve current value",
    "  <remove> watch - Remove a watch",
    "  <resize> w h - Resize the debug window to (w,h). Negative value to preserve current value",
    "  <show> - Show the debug window",
};

} // namespace

int DebugInternals::Debug(void* context, int wordCount, const char* const* words) {
    cDebugWO& window = *static_cast<cDebugWO*>(context);
    cConsole& console = *window.state->console;
    const int shared = RunWindowCommand(window, console, "debug", kDebugHelp, wordCount, words);
    if (shared >= 0) return shared;
    const std::string command = words[1];
    if (command == "enable" && wordCount <= 3) {
        if (wordCount == 2) {
            console.Print(" Debug window is %s", window.IsEnabled() ? "enabled" : "disabled");
            return 1;
        }
        if (std::atoi(words[2]) > 0)
            window.Enable();
        else
            window.Disable();
        console.Print(" Debug window %s", window.IsEnabled() ? "enabled" : "disabled");
        return 1;
    }
    if (command == "show" && wordCount == 2) {
        window.Show(1);
        return 1;
    }
    if (command == "list" && wordCount == 2) {
        char item[kItemSize];
        for (const Watch& watch : window.state->watches) {
            FormatItem(watch, item);
            console.Print(" %s", item);
        }
        return 1;
    }
    if (command == "remove" && wordCount == 3) {
        console.Print(window.RemoveWatch(words[2]) ? " Watch '%s' removed" : " Watch '%s' not found", words[2]);
        return 1;
    }
    return 0;
}
