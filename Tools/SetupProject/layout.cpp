// The layout document. Items are read through absolute paths from the root, so the order of the
// elements in the document does not matter; only the order of reading (and so the code reported
// for the first missing item) is fixed.
#include "layout.h"

#include <cstdio>
#include <cstring>

#include "Nimbrel.h"

SetupLayout gLayout;

namespace {

const char kRoot[] = "layout";

// Reads attributes of one document's current element.
class Reader {
public:
    explicit Reader(int handle) : handle_(handle) {}

    bool PointToRoot() { return Nimbrel.XMLNodePointTo(handle_, 1, kRoot) == 1; }
    bool PointTo(const char* element) { return Nimbrel.XMLNodePointTo(handle_, 2, kRoot, element) == 1; }
    bool PointTo(const char* parent, const char* element) {
        return Nimbrel.XMLNodePointTo(handle_, 3, kRoot, parent, element) == 1;
    }

    bool Int(const char* name, int* value) { return Nimbrel.XMLAttributeGet(handle_, name, value) == 1; }

    // A text that fits `size` bytes with its terminator; a longer one counts as missing.
    bool Text(const char* name, char* buffer, size_t size) {
        const char* text = nullptr;
        if (Nimbrel.XMLAttributeGet(handle_, name, &text) != 1 || text == nullptr) return false;
        size_t length = std::strlen(text);
        if (length >= size) return false;
        std::memcpy(buffer, text, length + 1);
        return true;
    }

    // The layout's availability: below 1 is disabled, anything else enabled.
    bool State(int* state) {
        int value = 0;
        if (!Int("state", &value)) return false;
        *state = value < 1 ? kStateDisabled : kStateEnabled;
        return true;
    }

    bool Position(ButtonRecord* record) { return Int("x", &record->x) && Int("y", &record->y); }

    int handle() const { return handle_; }

private:
    int handle_;
};

// Joins two texts into a buffer; false, leaving the buffer empty, when they do not fit.
bool Join(char* buffer, size_t size, const char* first, const char* second) {
    int written = std::snprintf(buffer, size, "%s%s", first, second);
    if (written >= 0 && static_cast<size_t>(written) < size) return true;
    buffer[0] = '\0';
    return false;
}

// An item of a tab, in reading order: a button with state and position, a text position, or a
// resolution button with its width and height.
enum ItemKind { kButton, kTextPosition, kResolution };
struct TabItem {
    const char* element;
    int code;
    int slot;
    ItemKind kind;
};

const TabItem kGeneralItems[] = {
    {"benchmark", 1001, kBenchmarkSlot, kButton},     {"mtfriendly", 1002, kMtFriendlySlot, kButton},
    {"cpuid", 1003, kCpuTextSlot, kTextPosition},     {"memoryinfo", 1004, kMemoryTextSlot, kTextPosition},
    {"pindex", 1005, kScoreTextSlot, kTextPosition},
};

const TabItem kVideoItems[] = {
    {"vidrenderer_opengl", 2001, kRendererOpenGLSlot, kButton},
    {"vidrenderer_windib", 2002, kRendererWindibSlot, kButton},
    {"vidrenderer_ddraw", 2003, kRendererDDrawSlot, kButton},
    {"vidrenderer_x11", 2004, kRendererX11Slot, kButton},
    {"vidrenderer_fbcon", 2005, kRendererFbconSlot, kButton},
    {"vidrenderer_quartz", 2006, kRendererQuartzSlot, kButton},
    {"vidresolution1", 2010, kResolution1Slot, kResolution},
    {"vidresolution2", 2013, kResolution2Slot, kResolution},
    {"vidresolution3", 2016, kResolution3Slot, kResolution},
    {"vidresolution4", 2019, kResolution4Slot, kResolution},
    {"vidcolordepth8", 2030, kDepth8Slot, kButton},
    {"vidcolordepth16", 2031, kDepth16Slot, kButton},
    {"vidcolordepth32", 2032, kDepth32Slot, kButton},
    {"vidaccelsoftware", 2040, kAccelSoftwareSlot, kButton},
    {"vidaccelhardsmooth", 2041, kAccelHardSmoothSlot, kButton},
    {"vidaccelhardspeed", 2042, kAccelHardSpeedSlot, kButton},
    {"vidmodewindow", 2050, kModeWindowSlot, kButton},
    {"vidmodefullscreen", 2051, kModeFullScreenSlot, kButton},
    {"vidmodewindownoframe", 2052, kModeNoFrameSlot, kButton},
};

const TabItem kAudioItems[] = {
    {"butaudioenabled", 3001, kAudioEnabledSlot, kButton}, {"butformat8", 3010, kFormat8Slot, kButton},
    {"butformat16", 3011, kFormat16Slot, kButton},         {"butfreq11", 3020, kFreq11Slot, kButton},
    {"butfreq22", 3021, kFreq22Slot, kButton},             {"butfreq44", 3022, kFreq44Slot, kButton},
    {"butmono", 3030, kMonoSlot, kButton},                 {"butstereo", 3031, kStereoSlot, kButton},
    {"butmulti", 3032, kMultiSlot, kButton},               {"butmusicvol", 3040, kMusicVolumeSlot, kButton},
    {"butsoundvol", 3041, kSoundVolumeSlot, kButton},
};

const char* const kTabElements[kTabCount] = {"general", "video", "audio"};

int ReadTabItems(Reader& reader, SetupLayout* layout, int tab, const TabItem* items, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const TabItem& item = items[i];
        ButtonRecord* record = &layout->groups[tab][item.slot];
        if (!reader.PointTo(kTabElements[tab], item.element)) return item.code;
        if (item.kind == kTextPosition) {
            if (!reader.Position(record)) return item.code;
            continue;
        }
        if (!reader.State(&record->state) || !reader.Position(record)) return item.code;
        if (item.kind == kResolution) {
            ResolutionEntry& entry = layout->resolutions[item.slot - kResolution1Slot];
            if (!reader.Text("width", entry.width, sizeof entry.width)) return item.code + 1;
            if (!reader.Text("height", entry.height, sizeof entry.height)) return item.code + 2;
        }
    }
    return kLayoutOk;
}

// <main>'s three buttons: the element, then x, then y.
int ReadMainButton(Reader& reader, const char* element, int code, ButtonRecord* record) {
    if (!reader.PointTo("main", element)) return code;
    if (!reader.Int("x", &record->x)) return code + 1;
    if (!reader.Int("y", &record->y)) return code + 2;
    record->state = kStateEnabled;
    return kLayoutOk;
}

// A tab element: the element, then state, x, y.
int ReadTabButton(Reader& reader, int tab, int code, SetupLayout* layout) {
    ButtonRecord* record = &layout->groups[tab][kTabSlot];
    if (!reader.PointTo(kTabElements[tab])) return code;
    if (!reader.State(&record->state)) return code + 1;
    if (!reader.Int("x", &record->x)) return code + 2;
    if (!reader.Int("y", &record->y)) return code + 3;
    return kLayoutOk;
}

void BuildResourceNames(SetupLayout* layout) {
    ResourceNames& n = layout->names;
    struct Name {
        char* buffer;
        const char* suffix;
    } const names[] = {
        {n.cursor, "_cursor"},       {n.icon, "_icon"},           {n.click, "_click"},       {n.music, "_music"},
        {n.font, "_font"},           {n.bgGeneral, "_bggeneral"}, {n.bgVideo, "_bgvideo"},   {n.bgAudio, "_bgaudio"},
        {n.play, "_play"},           {n.save, "_save"},           {n.exit, "_exit"},         {n.tabGeneral, "_tabgeneral"},
        {n.tabVideo, "_tabvideo"},   {n.tabAudio, "_tabaudio"},   {n.check, "_check"},       {n.radio, "_radio"},
        {n.slider, "_slider"},       {n.benchmark, "_benchmark"},
    };
    // The skin prefix is at most 20 characters and the longest suffix 11, so every name fits.
    for (const Name& name : names) Join(name.buffer, kResourceNameSize, layout->skin, name.suffix);
}

// Up to seven children of <general><custombuttons>, each defining the custom button of its id
// (10..16) unless that one is defined already. A child without an id takes the previous child's.
// A child whose graphic name or data does not fit is left undefined: cut, it would show or open
// something the skin's author never named.
void ReadCustomButtons(Reader& reader, SetupLayout* layout) {
    if (!reader.PointTo("general", "custombuttons")) return;
    if (Nimbrel.XMLNodeChild(reader.handle()) != 1) return;
    int id = -1;
    for (int visited = 0; visited < kCustomButtons; ++visited) {
        if (visited > 0 && Nimbrel.XMLNodeNext(reader.handle()) != 1) break;
        reader.Int("id", &id);
        if (id < kFirstCustomId || id >= kFirstCustomId + kCustomButtons) continue;
        CustomButton& button = layout->custom[id - kFirstCustomId];
        if (button.type != -1) continue;
        const char* element = Nimbrel.XMLNodeGetName(reader.handle());
        if (element == nullptr) continue;
        char graphic[kResourceNameSize];
        char data[kCustomDataSize];
        if (std::snprintf(graphic, sizeof graphic, "%s_%s", layout->skin, element) >= static_cast<int>(sizeof graphic))
            continue;
        const char* dataText = nullptr;
        if (Nimbrel.XMLAttributeGet(reader.handle(), "data", &dataText) != 1) dataText = element;
        if (std::strlen(dataText) >= sizeof data) continue;
        std::strcpy(data, dataText);

        int type = 1;
        reader.Int("type", &type);
        button.type = type < 1 ? 1 : type > 2 ? 2 : type;
        std::memcpy(button.graphic, graphic, sizeof graphic);
        std::memcpy(button.data, data, sizeof data);
        ButtonRecord& record = layout->groups[kGeneralTab][id];
        if (!reader.State(&record.state)) record.state = kStateDisabled;
        reader.Int("x", &record.x);
        reader.Int("y", &record.y);
    }
}

int ParseHead(Reader& reader, SetupLayout* layout) {
    char appName[kTitleSize];
    if (!reader.Text("appname", appName, kTitleSize - std::strlen(" - Setup"))) return 11;
    Join(layout->title, sizeof layout->title, appName, " - Setup");
    if (!reader.Text("target_win", layout->target, sizeof layout->target)) return 12;
    if (!reader.Text("setupdpf", layout->configPackage, sizeof layout->configPackage)) return 13;
    if (!reader.Text("setupxml", layout->configDocument, sizeof layout->configDocument)) return 14;
    if (!reader.Text("skin", layout->skin, sizeof layout->skin)) return kLayoutSkin;

    if (!reader.PointTo("main", "logotype")) return kLayoutSkin;
    char logoName[kSpriteNameSize];
    if (!reader.Text("name", logoName, sizeof logoName - std::strlen("_win"))) return 16;
    Join(layout->spriteName, sizeof layout->spriteName, logoName, "_win");
    if (!reader.Int("x", &layout->logoX)) return 17;
    if (!reader.Int("y", &layout->logoY)) return 18;
    return kLayoutOk;
}

} // namespace

void ClearLayout(SetupLayout* layout) {
    std::memset(layout, 0, sizeof *layout);
    ButtonRecord empty = {kNoButton, kStateEnabled, 0, 0};
    layout->exit = layout->play = layout->save = empty;
    for (auto& group : layout->groups)
        for (ButtonRecord& slot : group) slot = empty;
    for (CustomButton& custom : layout->custom) custom.type = -1;
}

int ParseLayoutDocument(int xmlHandle, SetupLayout* layout) {
    ClearLayout(layout);
    Reader reader(xmlHandle);
    if (!reader.PointToRoot()) return kLayoutNoRoot;
    int result = ParseHead(reader, layout);
    if (result == kLayoutOk) result = ReadMainButton(reader, "butexit", 19, &layout->exit);
    if (result == kLayoutOk) result = ReadMainButton(reader, "butplay", 22, &layout->play);
    if (result == kLayoutOk) result = ReadMainButton(reader, "butsave", 25, &layout->save);
    for (int tab = 0; tab < kTabCount && result == kLayoutOk; ++tab)
        result = ReadTabButton(reader, tab, kLayoutGeneralTab + 4 * tab, layout);
    if (result != kLayoutOk) return result;

    BuildResourceNames(layout);
    result = ReadTabItems(reader, layout, kGeneralTab, kGeneralItems, sizeof kGeneralItems / sizeof *kGeneralItems);
    if (result != kLayoutOk) return result;
    ReadCustomButtons(reader, layout);
    result = ReadTabItems(reader, layout, kVideoTab, kVideoItems, sizeof kVideoItems / sizeof *kVideoItems);
    if (result != kLayoutOk) return result;
    return ReadTabItems(reader, layout, kAudioTab, kAudioItems, sizeof kAudioItems / sizeof *kAudioItems);
}

int ParseLayout(const char* packageFile, const char* name, SetupLayout* layout) {
    ClearLayout(layout);
    int handle = Nimbrel.XMLOpen(packageFile, name);
    if (handle <= 0) return kLayoutCannotOpen;
    int result = ParseLayoutDocument(handle, layout);
    Nimbrel.XMLClose(handle);
    return result;
}

int ParseLayout() { return ParseLayout("setup.dpf", "layout.xml", &gLayout); }
