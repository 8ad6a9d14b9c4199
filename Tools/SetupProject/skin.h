// The skin's resources: everything the layout names, loaded from setup.dpf once at start-up, and
// the buttons made from it on four layers (0: Exit, Play, Save and the tab buttons; 1, 2, 3: the
// general, video and audio tabs).
#ifndef SETUP_SKIN_H
#define SETUP_SKIN_H

#include <SDL.h>

class CSprite;
class CFont;

struct SkinResources {
    int cursor;                    // cursor slot, -1 when none
    SDL_Surface* backgrounds[3];   // one per tab
    CSprite* sprite;               // the animated logotype
    CFont* font;
    int click, music;              // sound indices, -1 without sound
    int checkMaster, radioMaster;  // the masters every check box and radio is cloned from
};

extern SkinResources gSkin;

// The package every resource comes from.
extern const char kSkinPackage[];

// Loads every resource the layout (gLayout) names and makes the buttons, in a fixed order; the
// click and the music only while the sound device is open. Null on success, else the name of the
// first resource that failed; what was loaded before it stays in gSkin for ReleaseSkin.
const char* LoadSkin();

// Frees what LoadSkin loaded: backgrounds, logotype, cursor, sounds, the current button layer,
// font. Safe after a partial load and to call twice.
void ReleaseSkin();

#endif
