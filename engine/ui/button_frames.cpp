// IButton's two passes over the visible layers: UpdateStates turns the mouse and key fields of
// the main object into button states at every logic frame; Draw draws each button as its type
// and state ask, runs the callbacks of mouse clicks, and lets an input box under the pointer take
// typing. Neither allocates.
#include "Nimbrel.h"

#include <cstring>

#include "core/clock.h"
#include "ui/button_private.h"

using button::Slot;

namespace {

const Uint32 kKeyActionMs = 120; // a key held longer than this activates its button
const Uint32 kTypingRepeatMs = 150;

bool Inside(const Slot& slot, int px, int py) {
    return slot.x1 < px && px < slot.x2 && slot.y1 < py && py < slot.y2;
}

bool KeyPressType(int type) {
    return type == IButton::kNormal || type == IButton::kIcon || type == IButton::kComplex || type == IButton::kCheck;
}

template <typename Visit>
void ForEachVisible(IButton::Private& p, Visit visit) {
    for (int layer = 0; layer < IButton::kLayers; ++layer) {
        if (!p.layerVisible[layer]) continue;
        for (Slot& slot : p.working[layer])
            if (!slot.free && slot.visible) visit(slot);
    }
}

} // namespace

// ---- Input ------------------------------------------------------------------------------------------

void IButton::UpdateStates() {
    Private& p = *priv;
    const int px = Nimbrel.mouseX, py = Nimbrel.mouseY;
    const Uint32 held = Nimbrel.mouseButtons, before = Nimbrel.previousMouseButtons;
    ForEachVisible(p, [&](Slot& slot) {
        if (slot.state == kStateDisabled) return;
        slot.lastState = slot.state;
        slot.state = kStateNormal;
        if (Inside(slot, px, py)) {
            slot.state = kStateSelected;
            const Uint32 mask = slot.mouseMask;
            if (!(held & mask) && (before & mask)) {
                if (slot.type != kInput) {
                    slot.state = kStateAction;
                    slot.actionPending = 1;
                }
            } else if (held & mask) {
                if (slot.type != kInput) slot.state = kStatePressed;
                if (slot.type == kSlider) Nimbrel.SetUpdateMode(1);
            }
        }
        if (KeyPressType(slot.type) && slot.key != 0 && Nimbrel.KeyState(slot.key) && !p.inputFocus) {
            const Uint32 now = EngineTicks();
            if (slot.keyHoldStart == 0) slot.keyHoldStart = now;
            if (slot.keyHoldStart + kKeyActionMs >= now) {
                slot.state = kStatePressed;
            } else {
                slot.state = kStateAction;
                slot.keyHoldStart = 0;
            }
        } else {
            slot.keyHoldStart = 0;
        }
        if (slot.state != slot.lastState) Nimbrel.SetUpdateMode(1);
    });
}

// ---- Drawing ----------------------------------------------------------------------------------------

namespace {

void DrawImage(CTile* tile, int x, int y) {
    if (!tile) return;
    tile->SetPosition(x, y);
    tile->Draw(Nimbrel.screen, 0);
}

void DrawAt(const Slot& slot, int image) { DrawImage(slot.Image(image), slot.x, slot.y); }

// Runs the callback of a mouse click once. False when the callback freed the button.
bool RunCallback(Slot& slot) {
    if (!slot.actionPending) return true;
    slot.actionPending = 0;
    if (!slot.callback) return true;
    const Sint32 id = slot.id;
    slot.callback(slot.firstArgument, slot.secondArgument);
    return !slot.free && slot.id == id;
}

// A slider whose knob position and pointer reading would divide by nothing keeps its value and
// parks its knob at the start of the track.
bool SliderScales(const Slot& slot, int trackWidth) { return slot.range > 0 && trackWidth > 50; }

void DrawSlider(Slot& slot, bool followPointer) {
    CTile* track = slot.Image(button::kImageNormal);
    CTile* knob = slot.Image(button::kImagePress);
    DrawAt(slot, button::kImageNormal);
    const int wt = track ? track->GetWidth() : 0, ht = track ? track->GetHeight() : 0;
    const int wk = knob ? knob->GetWidth() : 0, hk = knob ? knob->GetHeight() : 0;
    const bool scales = SliderScales(slot, wt);
    if (followPointer && scales) {
        const int step = int(float(wt - 50) / float(slot.range));
        const int offset = int(float(Nimbrel.mouseX - slot.x - 25) + float(step) * 0.5f);
        // A state set from outside can hold a slider whose pointer is off its track.
        slot.value = button::ClampValue(Sint64(offset) * slot.range / (wt - 50), slot.range);
    }
    const int knobX = slot.x + 25 + (scales ? int(Sint64(wt - wk - 50) * slot.value / slot.range) : 0);
    DrawImage(knob, knobX, slot.y + ht / 2 - hk / 2);
}

void DrawCells(const Slot& slot) {
    CTile* filled = slot.Image(button::kImageNormal);
    CTile* empty = slot.Image(button::kImagePress);
    const int width = filled ? filled->GetWidth() : 0;
    for (int i = 0; i < slot.range; ++i) DrawImage(i < slot.value ? filled : empty, slot.x + i * width, slot.y);
    if (filled) filled->SetPosition(slot.x, slot.y);
    if (empty) empty->SetPosition(slot.x, slot.y);
}

void DrawOffCells(const Slot& slot) {
    CTile* off = slot.Image(button::kImageOff);
    if (!off) return;
    const int width = off->GetWidth();
    for (int i = 1; i <= slot.range; ++i) DrawImage(off, slot.x + i * width, slot.y);
    off->SetPosition(slot.x, slot.y);
}

SDL_Rect TextClip(const Slot& slot) {
    return {Sint16(slot.x + slot.textX), Sint16(slot.y + slot.textY), Uint16(slot.textWidth), Uint16(slot.textHeight)};
}

// Passes when the key's clock is more than the repeat time behind `now`, and restarts it.
bool RepeatDue(Uint32* clock, Uint32 now) {
    if (*clock + kTypingRepeatMs >= now) return false;
    *clock = now;
    return true;
}

void Append(char* text, const char* piece) {
    const size_t length = std::strlen(text), add = std::strlen(piece);
    if (length + add > size_t(IButton::kTextLength)) return;
    std::memcpy(text + length, piece, add + 1);
}

void TakeTyping(Slot& slot, Uint32* clocks) {
    CFont& font = *slot.font;
    const Uint32 now = EngineTicks();
    char* text = slot.text;
    size_t length = std::strlen(text);
    if ((Nimbrel.KeyState(SDLK_DELETE) || Nimbrel.KeyState(SDLK_BACKSPACE)) &&
        RepeatDue(&clocks[button::kEraseClock], now) && length > 0)
        text[--length] = '\0';
    if (length >= size_t(IButton::kTextLength)) return;
    const int room = slot.textWidth - 1, spacing = font.GetSpacing();
    if (Nimbrel.KeyState(SDLK_SPACE) && RepeatDue(&clocks[button::kSpaceClock], now) &&
        font.GetTextWidth(text) + int(length) * spacing + font.GetTextWidth(" ") < room)
        Append(text, " ");
    for (int key = SDLK_EXCLAIM; key <= SDLK_z; ++key) {
        if (key >= 'A' && key <= 'Z') continue;
        if (!Nimbrel.KeyState(key) || !RepeatDue(&clocks[button::kFirstCharacterClock + key - SDLK_EXCLAIM], now))
            continue;
        // Codes SDL has no key for are named "unknown key": only one character is something typed.
        const char* name = SDL_GetKeyName(SDLKey(key));
        if (!name || std::strlen(name) != 1) continue;
        length = std::strlen(text);
        if (font.GetTextWidth(name) + font.GetTextWidth(text) + spacing * int(length) < room) Append(text, name);
    }
}

} // namespace

int IButton::Draw() {
    SDL_Surface* screen = Nimbrel.screen;
    if (!screen) {
        ILogSystem.Msg(0, " . [IButton->Draw()] Error: Nimbrel.screen was not initialized.\n");
        return -1;
    }
    if (Nimbrel.GetUpdateMode() == 0) return -1;
    Private& p = *priv;
    p.inputFocus = 0;
    int result = -1;
    ForEachVisible(p, [&](Slot& slot) {
        const int state = slot.state;
        if (state == kStateAction) result = slot.id;
        if (state == kStateDisabled) {
            if (slot.type == kProgress)
                DrawOffCells(slot);
            else
                DrawAt(slot, button::kImageOff);
            return;
        }
        switch (slot.type) {
        case kNormal:
        case kIcon:
        case kComplex:
            if (state == kStateAction && !RunCallback(slot)) return;
            if (state == kStatePressed) {
                DrawAt(slot, button::kImagePress);
            } else if (state == kStateSelected && slot.type == kComplex) {
                DrawAt(slot, button::kImageSelect);
            } else {
                DrawAt(slot, button::kImageNormal);
                if (state == kStateSelected && slot.selectColour != 0 && IPrimitives)
                    IPrimitives->Rect(screen, Uint16(slot.x1), Uint16(slot.y1), Uint16(slot.x2), Uint16(slot.y2),
                                      slot.selectColour);
            }
            break;
        case kSlider:
            if (state == kStateAction && !RunCallback(slot)) return;
            DrawSlider(slot, state == kStatePressed);
            break;
        case kProgress:
            if (state == kStateNormal) DrawCells(slot);
            if (state == kStateSelected) DrawAt(slot, button::kImageNormal);
            break;
        case kCheck: {
            const Sint16 checkValue = slot.range;
            if (state == kStateAction && slot.actionPending) {
                if (!RunCallback(slot)) return;
                slot.range = checkValue == kStateNormal ? Sint16(kStatePressed) : Sint16(kStateNormal);
            }
            DrawAt(slot, checkValue == kStateNormal ? button::kImageNormal : button::kImagePress);
            break;
        }
        case kInput:
            if (state == kStateNormal) {
                Nimbrel.SetUpdateMode(0);
                DrawAt(slot, button::kImageNormal);
                if (slot.font) {
                    SDL_Rect clip = TextClip(slot);
                    slot.font->Print(screen, clip.x, clip.y, slot.text, &clip);
                }
            } else if (state == kStateSelected) {
                if (slot.font) TakeTyping(slot, p.typingClocks);
                DrawAt(slot, button::kImagePress);
                if (slot.font) {
                    SDL_Rect clip = TextClip(slot);
                    const int show = EngineTicks() % 1000 <= 500 ? 1 : 0;
                    slot.font->PrintCursor(screen, clip.x, clip.y, slot.text, int(std::strlen(slot.text)), &clip, show);
                }
                Nimbrel.SetUpdateMode(2);
                p.inputFocus = 1;
            }
            break;
        default:
            break;
        }
    });
    return result;
}
