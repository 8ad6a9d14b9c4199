// IButton's private block: the button table and the records in it, shared by the files of the
// button module (tables and life cycle, input and drawing, the report).
#ifndef NIMBREL_UI_BUTTON_PRIVATE_H
#define NIMBREL_UI_BUTTON_PRIVATE_H

#include "Nimbrel.h"

namespace button {

enum ImageIndex { kImageNormal = 0, kImageSelect = 1, kImagePress = 2, kImageOff = 3, kImageCount = 4 };

// The images of a button, shared by a master (or a directly created button) and its clones. The
// last button that lets go of them destroys them, so a clone outliving its freed master keeps
// drawing instead of reaching destroyed tiles.
struct Images {
    CTile* tiles[kImageCount] = {};
    int users = 0;
};

const int kNoTypingClock = -1;
const int kEraseClock = 0;
const int kSpaceClock = 1;
const int kTypingClocks = 100;
// Character keys 33..122 use the clocks from here on.
const int kFirstCharacterClock = 2;

struct Slot {
    ButtonDesc::Callback callback = nullptr;
    Uint16 key = 0;
    Uint8 type = 0;
    Uint32 selectColour = 0;
    Sint16 x = 0, y = 0;
    Sint16 range = 0; // slider steps, progress cells, or a check button's check value
    Uint8 visible = 1;
    Uint8 clone = 0;
    Sint32 value = 0; // slider and progress value, or a disabled check button's saved check value
    Sint32 id = 0;
    Uint8 free = 1;
    Uint8 state = IButton::kStateNormal;
    Uint8 lastState = IButton::kStateNormal;
    Sint16 x1 = 0, y1 = 0, x2 = 0, y2 = 0; // hit box, both ends excluded
    Uint32 keyHoldStart = 0;
    Images* images = nullptr;
    char text[IButton::kTextLength + 1] = {0};
    CFont* font = nullptr;
    Sint16 textX = 0, textY = 0, textWidth = 0, textHeight = 0;
    char name[28] = {0};
    Sint32 masterLink = 0; // a clone's master identifier; a master's count of clones
    Sint32 firstArgument = 0, secondArgument = 0;
    Uint32 mouseMask = SDL_BUTTON(1);
    Uint32 actionPending = 0;

    CTile* Image(int index) const { return images ? images->tiles[index] : nullptr; }
};

} // namespace button

struct IButton::Private {
    Uint8 layerVisible[kLayers] = {};
    button::Slot working[kLayers][kButtonsPerLayer];
    button::Slot masters[kMasters];
    Sint8 currentLayer = 0;
    Uint8 inputFocus = 0;
    Uint32 typingClocks[button::kTypingClocks] = {};

    // The slot an identifier names, or null when it names none or a free slot.
    button::Slot* Find(int id);
};

namespace button {

// The hit box of a button at its position, from its normal image's size (SetPosition's table;
// Create differs only for progress bars, which it leaves without one).
void PlaceHitBox(Slot& slot);
// A slider's or progress bar's value within 0..range (0 when the range is 0 or less).
Sint32 ClampValue(Sint64 value, Sint16 range);
// Lets go of the slot's images, destroying them when no other button uses them.
void ReleaseImages(Slot& slot);
// The display names of the report.
const char* TypeName(int type);
const char* StateName(int state);

} // namespace button

#endif
