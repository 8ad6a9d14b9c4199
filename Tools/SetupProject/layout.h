// The layout document: layout.xml inside setup.dpf names the game, its configuration document,
// the skin and the place and initial availability of every button.
//
// Parsing reads the items in one fixed order and stops at the first one that is missing, with
// that item's code (LayoutResult). A text that does not fit its buffer counts as missing: it is
// never cut, since a cut title, command line or resource name would silently name something else.
// The document is closed whatever the outcome.
#ifndef SETUP_LAYOUT_H
#define SETUP_LAYOUT_H

// Result codes of the parsing step: 0, or the code of the first missing item.
enum LayoutResult {
    kLayoutOk = 0,
    kLayoutCannotOpen = 1,       // setup.dpf or layout.xml could not be opened
    kLayoutNoRoot = 10,          // root element <layout>
    kLayoutAppName = 11,         // 11..15: appname, target_win, setupdpf, setupxml, skin
    kLayoutSkin = 15,            // also when <main> or its <logotype> is missing
    kLayoutLogotypeName = 16,    // 16..18: logotype name, x, y
    kLayoutExit = 19,            // 19..27: butexit, butplay, butsave and their x, y
    kLayoutGeneralTab = 28,      // 28..39: general, video, audio and their state, x, y
    kLayoutBenchmark = 1001,     // 1001..1005: the general tab's items
    kLayoutRendererOpenGL = 2001, // 2001..2052: the video tab's items
    kLayoutRendererQuartz = 2006,
    kLayoutResolution1 = 2010,   // 2010 + 3i: resolution i + 1; + 1 its width, + 2 its height
    kLayoutAudioEnabled = 3001,  // 3001..3041: the audio tab's items
};

// Capacities of the launcher's records, terminator included.
const int kTitleSize = 46;          // appname (at most 37 characters) + " - Setup"
const int kSpriteNameSize = 32;     // logotype name (at most 27) + "_win"
const int kTargetSize = 74;
const int kDocumentNameSize = 256;  // configuration package and document names
const int kResourceNameSize = 32;   // skin prefix (at most 20) + the longest suffix
const int kSkinSize = 21;
const int kResolutionTextSize = 5;  // width and height texts of at most 4 characters
const int kCustomDataSize = 256;

// Button records. Each tab has a group of slots; a slot holds a button (id != -1) or only a
// position (the general tab's texts).
const int kTabCount = 3;
const int kGroupSlots = 20;
const int kNoButton = -1;
const int kStateEnabled = 1;
const int kStateSelected = 4;
const int kStateDisabled = 16;

enum GeneralSlot { kTabSlot = 0, kBenchmarkSlot = 1, kMtFriendlySlot = 2, kCpuTextSlot = 3, kMemoryTextSlot = 4,
                   kScoreTextSlot = 5, kFirstCustomSlot = 10 };
enum VideoSlot { kRendererOpenGLSlot = 1, kRendererWindibSlot, kRendererDDrawSlot, kRendererX11Slot,
                 kRendererFbconSlot, kRendererQuartzSlot, kResolution1Slot, kResolution2Slot, kResolution3Slot,
                 kResolution4Slot, kDepth8Slot, kDepth16Slot, kDepth32Slot, kAccelSoftwareSlot,
                 kAccelHardSmoothSlot, kAccelHardSpeedSlot, kModeWindowSlot, kModeFullScreenSlot,
                 kModeNoFrameSlot };
enum AudioSlot { kAudioEnabledSlot = 1, kFormat8Slot, kFormat16Slot, kFreq44Slot, kFreq22Slot, kFreq11Slot,
                 kMonoSlot, kStereoSlot, kMultiSlot, kMusicVolumeSlot, kSoundVolumeSlot };
enum Tab { kGeneralTab = 0, kVideoTab = 1, kAudioTab = 2 };

struct ButtonRecord {
    int id;    // button identifier, kNoButton until one is made
    int state; // the layout's state: kStateEnabled or kStateDisabled
    int x, y;
};

// Custom buttons: the general tab's slots 10..16, one definition each.
const int kCustomButtons = 7;
const int kFirstCustomId = 10;
struct CustomButton {
    int type;                          // 1 or 2; -1 while not defined
    char data[kCustomDataSize];        // what to open
    char graphic[kResourceNameSize];   // skin prefix + "_" + element name
};

// The skin's resource names: the skin prefix and a fixed suffix each.
struct ResourceNames {
    char cursor[kResourceNameSize], icon[kResourceNameSize], click[kResourceNameSize], music[kResourceNameSize],
        font[kResourceNameSize], bgGeneral[kResourceNameSize], bgVideo[kResourceNameSize], bgAudio[kResourceNameSize],
        play[kResourceNameSize], save[kResourceNameSize], exit[kResourceNameSize], tabGeneral[kResourceNameSize],
        tabVideo[kResourceNameSize], tabAudio[kResourceNameSize], check[kResourceNameSize], radio[kResourceNameSize],
        slider[kResourceNameSize], benchmark[kResourceNameSize];
};

struct ResolutionEntry {
    char width[kResolutionTextSize];
    char height[kResolutionTextSize];
};

struct SetupLayout {
    char title[kTitleSize];
    char target[kTargetSize];
    char configPackage[kDocumentNameSize]; // empty: the configuration is a plain file
    char configDocument[kDocumentNameSize];
    char skin[kSkinSize];
    char spriteName[kSpriteNameSize];      // the window sprite: logotype name + "_win"
    int logoX, logoY;
    ResourceNames names;
    ButtonRecord exit, play, save;
    ButtonRecord groups[kTabCount][kGroupSlots];
    CustomButton custom[kCustomButtons];
    ResolutionEntry resolutions[4];
};

// Empties the records: no buttons, no custom buttons, empty texts.
void ClearLayout(SetupLayout* layout);

// Reads an open XML document (any current element) into `layout`, which is cleared first. 0, or
// the code of the first missing item. Leaves the document open.
int ParseLayoutDocument(int xmlHandle, SetupLayout* layout);

// Opens `name` from the package file, parses it and closes it. kLayoutCannotOpen when it cannot
// be opened. Needs a started engine.
int ParseLayout(const char* packageFile, const char* name, SetupLayout* layout);

// The layout of this run of the launcher: "layout.xml" of "setup.dpf".
extern SetupLayout gLayout;
int ParseLayout();

#endif
