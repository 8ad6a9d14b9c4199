// cConsole: the drop-down developer console. Input is read from the key table of the logic frames
// (not from events), so typing follows the same fixed rate as the game's own input.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "core/clock.h"
#include "overlays/simple_win_private.h"
#include "overlays/window_commands.h"
#include "platform/atomic_file.h"
#include "platform/file_io.h"

namespace {

const Uint32 kRepeatMs = 120;
const int kKeyTableSize = 512;
enum Key {
    kBackspace = 8, kReturn = 13, kSpace = 32, kDelete = 127, kBackQuote = 96,
    kUp = 273, kDown = 274, kRight = 275, kLeft = 276, kHome = 278, kEnd = 279,
};

// The console the log's console output goes to.
cConsole* processConsole = nullptr;

void LogSink(const char* format, va_list args) {
    if (processConsole) processConsole->PrintV(format, args);
}

struct Command {
    std::string name, help;
    cConsole::CommandHandler handler;
    void* context;
};

} // namespace

struct cConsole::ConsoleState {
    int visibleLines = 0;
    int baseCapacity = 0;
    int capacity = 1;
    int inputX = 0, inputY = 0;
    bool blink = false;
    Uint32 keyTimes[kKeyTableSize] = {};
    std::string input = ">";
    int cursor = 1;
    std::deque<std::string> history;
    std::vector<Command> commands;
    int historyIndex = 0;
};

namespace {

// Writes the lines, one per line of text, replacing the file in one step. Empty when saved, else
// why not.
template <typename Lines>
std::string SaveLines(const char* path, const Lines& lines, size_t count) {
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        text += lines(i);
        text += '\n';
    }
    if (ReplaceFileAtomically(path, text.data(), text.size())) return std::string();
    return LastFileErrorText();
}

} // namespace

struct ConsoleInternals {
    static int Help(void* context, int, const char* const*);
    static int Con(void* context, int wordCount, const char* const* words);
};

cConsole::cConsole(const char* title) : state(new ConsoleState) {
    processConsole = this;
    ILogSystem::SetConsoleSink(LogSink);
    RegisterCommand("help", "List all registered commands", ConsoleInternals::Help, this);
    RegisterCommand("con", "Console control commands", ConsoleInternals::Con, this);
    if (Nimbrel.screen) {
        priv->width = Uint16(Nimbrel.screen->w);
        priv->height = Uint16(Nimbrel.screen->h / 3);
        priv->enabled = true; // the setter works only on an enabled window
        SetBackgroundColor(0, 0, 192);
        priv->enabled = false;
        Relayout();
    }
    SetTitle(title ? title : " Console for Nimbrel SDK initialized");
}

cConsole::~cConsole() {
    if (processConsole == this) {
        processConsole = nullptr;
        ILogSystem::SetConsoleSink(nullptr);
    }
    delete state;
}

bool cConsole::Enable() {
    if (!cSimpleWin::Enable()) return false;
    Print("%s", GetTitle());
    Print("%s", "");
    return true;
}

void cConsole::Relayout() {
    CFont* font = priv->font;
    const int m = font ? font->GetTextWidth("M") : 0;
    if (!font || m <= 0 || priv->width == 0) return;
    const int fontHeight = font->GetHeight();
    state->visibleLines = (priv->height - 10) / fontHeight;
    state->inputX = priv->x + 5;
    state->inputY = priv->y + priv->height - fontHeight - 5;
    state->baseCapacity = std::max(1, (priv->width - 2 * m - 10) / m);
    if (state->baseCapacity > kMaxInput) state->baseCapacity = kMaxInput;
    state->capacity = state->baseCapacity;
    state->input.reserve(kMaxInput + 1);
    state->input.assign(">");
    state->cursor = 1;
}

void cConsole::Print(const char* format, ...) {
    va_list args;
    va_start(args, format);
    PrintV(format, args);
    va_end(args);
}

void cConsole::PrintV(const char* format, va_list args) {
    if (!priv->enabled || !format) return;
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length < 0) return;
    std::string line(size_t(length) + 1, '\0');
    std::vsnprintf(&line[0], line.size(), format, args);
    line.resize(size_t(length));
    AddLine(line.c_str());
    RequestOverlayRedraw();
}

int cConsole::RegisterCommand(const char* name, const char* help, CommandHandler handler, void* context) {
    if (!name || !help || !handler) return 0;
    for (const Command& command : state->commands)
        if (command.name == name) return 0;
    state->commands.push_back(Command{name, help, handler, context});
    return 1;
}

void cConsole::Execute(const char* line) {
    const std::vector<std::string> words = SplitWords(line);
    std::vector<const char*> pointers;
    for (const std::string& word : words) pointers.push_back(word.c_str());
    int result = 0;
    if (!words.empty()) {
        for (const Command& command : state->commands) {
            if (command.name != words[0]) continue;
            result = command.handler(command.context, int(pointers.size()), pointers.data());
            break;
        }
    }
    if (result == 0) Print(" Syntax error or command not found");
    Print("%s", "");
}

void cConsole::AddHistory(const char* text) {
    if (!text) return;
    // Bounded like the lines, so a console left open for days cannot grow without end.
    if (state->history.size() >= size_t(kMaxLines)) state->history.pop_front();
    state->history.emplace_back(text);
    state->historyIndex = 0;
}

const char* cConsole::GetInput() const { return state->input.c_str(); }
int cConsole::GetCursor() const { return state->cursor; }
int cConsole::GetHistoryCount() const { return int(state->history.size()); }
const char* cConsole::GetHistory(int index) const {
    if (index < 0 || size_t(index) >= state->history.size()) return nullptr;
    return state->history[size_t(index)].c_str();
}

namespace {

// Whether a held key acts now: at most once per repeat period; it is then renewed.
bool Repeats(Uint32* keyTimes, int key, Uint32 now) {
    if (!Nimbrel.KeyState(key) || now - keyTimes[key] <= kRepeatMs) return false;
    keyTimes[key] = now;
    return true;
}

// Whether a key acts once per press: its time is renewed on every frame it is held.
bool Pressed(Uint32* keyTimes, int key, Uint32 now) {
    if (!Nimbrel.KeyState(key)) return false;
    const bool fresh = now - keyTimes[key] > kRepeatMs;
    keyTimes[key] = now;
    return fresh;
}

} // namespace

bool cConsole::Update() {
    if (!cSimpleWin::Update()) return false;
    if (priv->features & kFeatureNoInput) return true;
    ConsoleState& s = *state;
    const Uint32 now = EngineTicks();
    const bool blink = now % 1000 < 501;
    if (blink != s.blink) {
        s.blink = blink;
        RequestOverlayRedraw();
    }

    std::string& input = s.input;
    const int length = int(input.size());
    if (Repeats(s.keyTimes, kDelete, now) && length > 1 && s.cursor < length) {
        input.erase(size_t(s.cursor), 1);
        s.capacity = std::max(s.baseCapacity, s.capacity - 1);
        RequestOverlayRedraw();
    }
    if (Repeats(s.keyTimes, kBackspace, now) && input.size() > 1 && s.cursor > 1) {
        input.erase(size_t(s.cursor - 1), 1);
        --s.cursor;
        s.capacity = std::max(s.baseCapacity, s.capacity - 1);
        RequestOverlayRedraw();
    }
    if (Repeats(s.keyTimes, kLeft, now) && input.size() > 1 && s.cursor > 1) --s.cursor, RequestOverlayRedraw();
    if (Repeats(s.keyTimes, kRight, now) && s.cursor < int(input.size())) ++s.cursor, RequestOverlayRedraw();
    if (Repeats(s.keyTimes, kHome, now)) s.cursor = 1, RequestOverlayRedraw();
    if (Repeats(s.keyTimes, kEnd, now)) s.cursor = int(input.size()), RequestOverlayRedraw();
    const bool up = Repeats(s.keyTimes, kUp, now) && s.historyIndex < int(s.history.size());
    const bool down = !up && Repeats(s.keyTimes, kDown, now) && s.historyIndex > 0;
    if (up || down) {
        // The recalled entry may be longer than the fresh input line: the line grows to hold it,
        // up to the room the line had before, never past its buffer.
        const int room = std::max(s.capacity, s.baseCapacity) - 1;
        Relayout();
        s.historyIndex += up ? 1 : -1;
        if (s.historyIndex > 0) {
            const std::string& entry = s.history[s.history.size() - size_t(s.historyIndex)];
            input.append(entry, 0, size_t(std::max(0, std::min(room, kMaxInput - 1))));
        }
        s.capacity = std::max(s.capacity, int(input.size()));
        s.cursor = int(input.size());
        RequestOverlayRedraw();
    }

    if (Pressed(s.keyTimes, kReturn, now) && input.size() > 1) {
        const std::string command = input.substr(1);
        Print("%s", command.c_str());
        AddHistory(command.c_str());
        Execute(command.c_str());
        Relayout();
        RequestOverlayRedraw();
    }

    if (int(input.size()) >= s.capacity) {
        const int m = priv->font->GetTextWidth("M");
        const int room = priv->width - priv->font->GetTextWidth(input.c_str()) - 2 * m - 10;
        if (m > 0 && room > m) s.capacity = std::min(kMaxInput, s.capacity + room / m);
        return true;
    }

    if (Pressed(s.keyTimes, kSpace, now)) {
        input.insert(size_t(s.cursor), 1, ' ');
        ++s.cursor;
        RequestOverlayRedraw();
        return true;
    }
    for (int key = 33; key <= 122; ++key) {
        if ((key >= 65 && key <= 90) || key == kBackQuote || !Nimbrel.KeyState(key)) continue;
        const bool fresh = now - s.keyTimes[key] > kRepeatMs;
        s.keyTimes[key] = now;
        if (!fresh) continue;
        // Keys SDL has no one-character name for type nothing.
        const char* name = SDL_GetKeyName(SDLKey(key));
        if (!name || !name[0] || name[1]) continue;
        input.insert(size_t(s.cursor), 1, name[0]);
        ++s.cursor;
        RequestOverlayRedraw();
        break;
    }
    return true;
}

void cConsole::Draw() {
    if (!priv->enabled || priv->fadeState == kHidden || !Nimbrel.screen) return;
    DrawBackground();
    SDL_Rect clip = Area();
    CFont* font = priv->font;
    const int fontHeight = font->GetHeight();
    const size_t count = priv->lines.Count();
    for (size_t i = 1; i <= count && int(i) < priv->height / fontHeight; ++i)
        font->Print(Nimbrel.screen, state->inputX, state->inputY - int(i) * fontHeight - 5,
                    priv->lines.At(count - i).c_str(), &clip);
    if (!(priv->features & kFeatureNoInput))
        font->PrintCursor(Nimbrel.screen, state->inputX, state->inputY, state->input.c_str(), state->cursor, &clip,
                          state->blink ? 1 : 0);
}

int ConsoleInternals::Help(void* context, int, const char* const*) {
    cConsole& console = *static_cast<cConsole*>(context);
    for (const Command& command : console.state->commands)
        console.Print(" %s - %s", command.name.c_str(), command.help.c_str());
    return 1;
}

namespace {
WindowCommandHelp kConHelp = {
    "  <alpha> [64 to 255] - Adjust the alpha value of the console",
    "  <clear> - Clear the console",
    "  <color> R G B - Set the console background color",
    "  <features> [value] - Get current features or set new ones",
    "  <hide> - Hide the console",
    "  <history> clear|save [filename] - Clear the command history or save them to the filename",
    "  <move> x y - Move the console to (x,y). Negative value to preserve current value",
    "  <resize> w h - Resize the console to (w,h). Negative value to preserve current value",
    "  <save> filename - Save the console text to the filename",
};

} // namespace

int ConsoleInternals::Con(void* context, int wordCount, const char* const* words) {
    cConsole& console = *static_cast<cConsole*>(context);
    const int shared = RunWindowCommand(console, console, "console", kConHelp, wordCount, words);
    if (shared >= 0) return shared;
    const std::string command = words[1];
    if (command == "clear" && wordCount == 2) {
        console.ClearLines();
        console.Print("%s", console.GetTitle());
        return 1;
    }
    if (command == "features" && wordCount <= 3) {
        if (wordCount == 2) {
            console.Print(" Current features: %s", BinaryDigits(console.GetFeatures()).c_str());
        } else {
            const Uint32 features = Uint32(std::atoi(words[2]));
            console.SetFeatures(features);
            console.Print(" New features %s set", BinaryDigits(features).c_str());
        }
        return 1;
    }
    const bool history = command == "history";
    if (history && wordCount == 3 && std::strcmp(words[2], "clear") == 0) {
        console.state->history.clear();
        console.state->historyIndex = 0;
        console.Print(" Console history cleared");
        return 1;
    }
    const bool saveHistory = history && wordCount == 4 && std::strcmp(words[2], "save") == 0;
    if (saveHistory || (command == "save" && wordCount == 3)) {
        const char* path = words[wordCount - 1];
        std::string failure;
        if (saveHistory) {
            const auto& entries = console.state->history;
            failure = SaveLines(path, [&](size_t i) -> const std::string& { return entries[i]; }, entries.size());
        } else {
            failure = SaveLines(path, [&](size_t i) { return console.GetLine(int(i)); }, size_t(console.GetLineCount()));
        }
        if (!failure.empty())
            console.Print(" Could not save to '%s' file: %s", path, failure.c_str());
        else if (saveHistory)
            console.Print(" Save history to '%s' file", path);
        else
            console.Print(" Save console text to '%s' file", path);
        return 1;
    }
    return 0;
}
