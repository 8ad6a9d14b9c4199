// cSimpleWin's private record, shared with the console and the debug window built on it.
#ifndef NIMBREL_OVERLAYS_SIMPLE_WIN_PRIVATE_H
#define NIMBREL_OVERLAYS_SIMPLE_WIN_PRIVATE_H

#include <string>
#include <vector>

#include "Nimbrel.h"

// The text lines: a ring of at most cSimpleWin::kMaxLines strings. Slots are reused, so a window
// whose lines are rewritten at a steady rate (the debug window) stops allocating once its strings
// have grown to their longest.
class LineRing {
public:
    void Add(const char* text) {
        if (count_ < slots_.size()) {
            slots_[(first_ + count_) % slots_.size()].assign(text);
            ++count_;
        } else if (slots_.size() < size_t(cSimpleWin::kMaxLines)) {
            // Not full yet, so nothing was dropped and the oldest line is still in slot 0.
            slots_.emplace_back(text);
            ++count_;
        } else {
            slots_[first_].assign(text); // full: the oldest line gives way
            first_ = (first_ + 1) % slots_.size();
        }
    }
    void Clear() {
        first_ = 0;
        count_ = 0;
    }
    size_t Count() const { return count_; }
    // Index 0 is the oldest line.
    const std::string& At(size_t index) const { return slots_[(first_ + index) % slots_.size()]; }

private:
    std::vector<std::string> slots_;
    size_t first_ = 0;
    size_t count_ = 0;
};

struct cSimpleWin::Private {
    LineRing lines;
    Sint16 x = 0, y = 0;
    Uint16 width = kMinWidth, height = kMinHeight;
    Uint8 fadeState = kHidden;
    Uint32 backgroundColour = 0;
    SDL_Surface* background = nullptr;      // what is drawn, in display format
    SDL_Surface* backgroundImage = nullptr; // the source of a resized background
    Uint8 alpha = 128;
    CFont* font = nullptr;
    std::string title;
    Uint32 fadeStart = 0, fadeLast = 0;
    Uint32 features = 0;
    bool enabled = false;
};

// The overlays ask for a redraw by the frame pump (Nimbrel.SetUpdateMode(1)).
void RequestOverlayRedraw();
// Clamps to lo..hi.
inline int Limit(int value, int lo, int hi) { return value < lo ? lo : value > hi ? hi : value; }
// A value written from its highest set bit down to bit 0 ("0" for 0), for the feature bits.
std::string BinaryDigits(Uint32 value);
// Splits a command line into words at white space.
std::vector<std::string> SplitWords(const char* line);

#endif
