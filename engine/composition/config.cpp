// Nimbrel.ReadConfig and Nimbrel.WriteConfig: the game's configuration document, read into and
// written from a configuration record (the launcher's settings or the main object itself)
// through the main object's XML layer.
//
// Reading stores each value as soon as it is read, so a document that stops early still updates
// what it holds. Writing rebuilds the whole document; the XML layer makes the save itself
// crash-safe.
//
// It belongs to the composition because it ties the XML layer (data) to the copy-path selection
// (base) and to the main object's record.
#include "composition/config.h"

#include <string>

#include "Nimbrel.h"
#include "core/copy_paths.h"

// ---- Validation rules ---------------------------------------------------------------------------

namespace config {
namespace {

int Limit(int value, int low, int high) { return value < low ? low : value > high ? high : value; }

} // namespace

int FrameDelay(int value) { return Limit(value, 0, 127); }

int Renderer(int value) {
    value = Limit(value, kRendererWindib, kRendererQuartz);
    return value == kRendererWindib || value == kRendererDirectX || value == kRendererOpenGL ? value : kRendererWindib;
}

int ColorDepth(int value) { return value == 8 || value == 16 || value == 32 ? value : 0; }

int WindowMode(int value) { return Limit(value, 0, 2); }

int Acceleration(int value) { return Limit(value, 1, 3); }

int AudioEnabled(int value) { return Limit(value, 0, 1); }

int AudioFormat(int value) {
    value = Limit(value, 8, 16);
    return value == 16 ? 16 : 8;
}

int Frequency(int value) {
    value = Limit(value, 11025, 44100);
    return value == 22050 || value == 44100 ? value : 11025;
}

int Channels(int value) {
    value = Limit(value, 1, 4);
    return value == 2 || value == 4 ? value : 1;
}

int Volume(int value) { return Limit(value, 0, 255); }

int Buffer(int value) { return Limit(value, 1024, 16384); }

} // namespace config

// ---- Document texts -----------------------------------------------------------------------------

namespace {

const char kRoot[] = "setup";
const char kCommentLead[] = "Nimbrel SDK Setup System. Made by ";
const char kGeneralText[] = "General information";
const char* const kVideoText[] = {
    "Renderer: Windib(2), DirectX(4), X11(8), FBCon(16), Quartz(128) and OpenGL(64) .\n",
    "ResolutionX: width of the desired screen.\n",
    "ResolutionY: height of the desired screen.\n",
    "Colordepth: 0,8, 16 or 32 bits.\n",
    "Window: Window(1), Window with no-frame(2) or fullscreen(0).\n",
    "Accel: Software(1), Hardware smooth(2) and Hardware speed(3).\n",
};
const char* const kAudioText[] = {
    "Enable: could be 1(enabled) or 0(disabled).\n",
    "Format: 8 or 16 for 8bits/16bits audio stream.\n",
    "Frequency: 11025/22050/44100 samples per second (Hz).\n",
    "Mode: number of channels. 1 for mono, 2 for stereo and 4 for surround.\n",
    "Musicvol: from 0 to 255 is the music volumen.\n",
    "Soundvol: from 0 to 255 is the sound volumen.\n",
    "Buffer: internal buffer(in bytes) to avoid playback problems. 4096 is a good value.\n",
};

// ---- Reading ------------------------------------------------------------------------------------

// One open configuration document being read. Each Read* call reports a missing element or value
// once, naming it, and returns false from then on the caller stops.
class ConfigReader {
public:
    ConfigReader(class Nimbrel& engine, int handle, const char* package, const char* document)
        : engine(engine), handle(handle), package(package ? package : ""), document(document) {}

    bool Enter(const char* element) {
        this->element = element;
        if (engine.XMLNodePointTo(handle, 2, kRoot, element)) return true;
        ILogSystem.Msg(2, " . [Nimbrel.ReadConfig('%s','%s')] Warning: the element <%s> is missing.\n", package, document,
                       element);
        return false;
    }

    bool Read(const char* key, int* value) {
        if (engine.XMLAttributeGet(handle, key, value)) return true;
        ILogSystem.Msg(2, " . [Nimbrel.ReadConfig('%s','%s')] Warning: '%s' of <%s> is missing or not a number.\n",
                       package, document, key, element);
        return false;
    }

    // Optional values: no message when absent.
    bool ReadOptional(const char* key, int* value) { return engine.XMLAttributeGet(handle, key, value) == 1; }

    const char* Package() const { return package; }
    const char* Document() const { return document; }

private:
    class Nimbrel& engine;
    int handle;
    const char* package;
    const char* document;
    const char* element = "";
};

// Hands a hand-set copy path number to the copy-path selection, which refuses numbers it does not
// know and paths this processor cannot run.
void SelectOptionalCopyPath(ConfigReader& reader) {
    int optcore = 0;
    if (!reader.ReadOptional("optcore", &optcore)) return;
    if (!SelectCopyPath(optcore))
        ILogSystem.Msg(2, " . [Nimbrel.ReadConfig('%s','%s')] Warning: optcore %d is not a copy path this processor can use.\n",
                       reader.Package(), reader.Document(), optcore);
}

bool ReadGeneral(ConfigReader& reader, NimbrelConfig& record) {
    int value = 0;
    if (!reader.Enter("general") || !reader.Read("mtfriendly", &value)) return false;
    record.frameDelay = static_cast<Sint8>(config::FrameDelay(value));
    SelectOptionalCopyPath(reader);
    return true;
}

bool ReadVideo(ConfigReader& reader, NimbrelConfig& record) {
    int value = 0;
    if (!reader.Enter("video")) return false;
    if (!reader.Read("renderer", &value)) return false;
    record.renderer = static_cast<Uint8>(config::Renderer(value));
    // Any size may be asked for: the video mode setup decides what it can give.
    if (!reader.Read("resolutionx", &value)) return false;
    record.width = static_cast<Uint16>(value);
    if (!reader.Read("resolutiony", &value)) return false;
    record.height = static_cast<Uint16>(value);
    if (!reader.Read("colordepth", &value)) return false;
    record.colorDepth = static_cast<Uint8>(config::ColorDepth(value));
    if (!reader.Read("window", &value)) return false;
    record.windowMode = static_cast<Uint8>(config::WindowMode(value));
    if (!reader.Read("accel", &value)) return false;
    record.acceleration = static_cast<Uint8>(config::Acceleration(value));
    return true;
}

bool ReadAudio(ConfigReader& reader, NimbrelConfig& record) {
    int value = 0;
    if (!reader.Enter("audio")) return false;
    if (!reader.Read("enable", &value)) return false;
    record.audioEnabled = static_cast<Uint8>(config::AudioEnabled(value));
    if (!reader.Read("format", &value)) return false;
    record.audioFormat = static_cast<Uint32>(config::AudioFormat(value));
    if (!reader.Read("frequency", &value)) return false;
    record.audioFrequency = static_cast<Uint32>(config::Frequency(value));
    if (!reader.Read("mode", &value)) return false;
    record.audioChannels = static_cast<Uint32>(config::Channels(value));
    if (!reader.Read("musicvol", &value)) return false;
    record.musicVolume = static_cast<Uint8>(config::Volume(value));
    if (!reader.Read("soundvol", &value)) return false;
    record.soundVolume = static_cast<Uint8>(config::Volume(value));
    if (!reader.Read("buffer", &value)) return false;
    record.audioBuffer = static_cast<Uint32>(config::Buffer(value));
    return true;
}

// ---- Writing ------------------------------------------------------------------------------------

// The sample size the document holds. The launcher's record keeps 8 or 16; the main object keeps
// an audio format code, whose low byte is its sample size (0x8008 is 8-bit, 0x8010 16-bit).
int SampleBits(Uint32 audioFormat) { return static_cast<int>(audioFormat & 0xFF); }

bool AddTexts(class Nimbrel& engine, int handle, const char* const* lines, size_t count) {
    for (size_t i = 0; i < count; ++i)
        if (!engine.XMLTextSet(handle, lines[i])) return false;
    return true;
}

bool WriteGeneral(class Nimbrel& engine, int h, const NimbrelConfig& record) {
    return engine.XMLNodeCreate(h, "general") && engine.XMLAttributeSet(h, "mtfriendly", record.frameDelay) &&
           engine.XMLTextSet(h, kGeneralText) && engine.XMLNodeParent(h);
}

bool WriteVideo(class Nimbrel& engine, int h, const NimbrelConfig& record) {
    return engine.XMLNodeCreate(h, "video") && engine.XMLAttributeSet(h, "renderer", record.renderer) &&
           engine.XMLAttributeSet(h, "resolutionx", record.width) &&
           engine.XMLAttributeSet(h, "resolutiony", record.height) &&
           engine.XMLAttributeSet(h, "colordepth", record.colorDepth) &&
           engine.XMLAttributeSet(h, "window", record.windowMode) &&
           engine.XMLAttributeSet(h, "accel", record.acceleration) &&
           AddTexts(engine, h, kVideoText, sizeof kVideoText / sizeof *kVideoText) && engine.XMLNodeParent(h);
}

bool WriteAudio(class Nimbrel& engine, int h, const NimbrelConfig& record) {
    return engine.XMLNodeCreate(h, "audio") && engine.XMLAttributeSet(h, "enable", record.audioEnabled) &&
           engine.XMLAttributeSet(h, "format", SampleBits(record.audioFormat)) &&
           engine.XMLAttributeSet(h, "frequency", static_cast<int>(record.audioFrequency)) &&
           engine.XMLAttributeSet(h, "mode", static_cast<int>(record.audioChannels)) &&
           engine.XMLAttributeSet(h, "musicvol", record.musicVolume) &&
           engine.XMLAttributeSet(h, "soundvol", record.soundVolume) &&
           engine.XMLAttributeSet(h, "buffer", static_cast<int>(record.audioBuffer)) &&
           AddTexts(engine, h, kAudioText, sizeof kAudioText / sizeof *kAudioText) && engine.XMLNodeParent(h);
}

} // namespace

// ---- The operations -----------------------------------------------------------------------------

int Nimbrel::ReadConfig(const char* package, const char* document, NimbrelConfig* record) {
    if (!document || !*document) return 0;
    NimbrelConfig& target = record ? *record : *this;
    bool inPackage = package && *package;
    int handle = inPackage ? XMLOpen(package, document) : XMLOpen(document);
    if (!handle) return 0;

    ConfigReader reader(*this, handle, package, document);
    bool complete = ReadGeneral(reader, target) && ReadVideo(reader, target) && ReadAudio(reader, target);
    XMLClose(handle);
    return complete ? 1 : 0;
}

int Nimbrel::WriteConfig(const char* package, const char* document, const NimbrelConfig* record) {
    if (!document || !*document) return 0;
    const NimbrelConfig& source = record ? *record : *this;
    int handle = XMLCreate(kRoot);
    if (!handle) return 0;

    std::string comment = std::string(kCommentLead) + GetMaker() + ".";
    bool built = XMLCommentSet(handle, comment.c_str()) && WriteGeneral(*this, handle, source) &&
                 WriteVideo(*this, handle, source) && WriteAudio(*this, handle, source);
    int saved = 0;
    if (built) {
        bool inPackage = package && *package;
        saved = inPackage ? XMLSave(handle, package, document) : XMLSave(handle, document);
    }
    XMLClose(handle);
    return built && saved > 0 ? 1 : 0;
}
