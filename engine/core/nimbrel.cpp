// The main object's own state and its small services: defaults, version texts, the CRC-32,
// directory creation and the machine's free memory.
//
// The main object is used by every floor, so its state lives here on the base floor. Its
// operations live on the floor of what they use: the XML documents with the data floor
// (data/xml_layer.cpp); start-up, shut-down, the video mode, the frame pump, the cursor-safe blit
// and the configuration reader and writer with the composition (engine/composition/).
#include "Nimbrel.h"

#include <cstdio>
#include <string>

#include "core/checksum.h"
#include "core/nimbrel_private.h"
#include "platform/filesystem.h"
#include "platform/memory.h"
#include "platform/opener.h"
#include "platform/process.h"
#include "platform/system_info.h"

namespace {
const char kMakerText[] = "Nimbrel Engine Team - 2026";
} // namespace

// ---- Construction -------------------------------------------------------------------------------

Nimbrel::Nimbrel() : priv(new Private) {
    title = "Nimbrel SDK Application";
    icon = nullptr;
    frameDelay = 0;
    renderer = kRendererDetect;
    acceleration = 1;
    windowMode = 1;
    colorDepth = 0;
    width = 640;
    height = 480;
    audioEnabled = 0;
    audioFormat = 0x8008;
    audioFrequency = 11025;
    audioChannels = 1;
    audioBuffer = 4096;
    musicVolume = 128;
    soundVolume = 128;

    screen = nullptr;
    mouseX = mouseY = 0;
    mouseButtons = previousMouseButtons = 0;
    startTicks = kNotStarted;
    lostSurfaceCheck = 0;
    liveTiles = liveSprites = liveFonts = 0;

    std::snprintf(priv->versionText, sizeof priv->versionText, "Nimbrel SDK %s v5.10 (build 3173)",
                  PlatformName());
    std::snprintf(priv->makerText, sizeof priv->makerText, "%s", kMakerText);
}

Nimbrel::~Nimbrel() { delete priv; }

// ---- Services -----------------------------------------------------------------------------------

const char* Nimbrel::GetVersion() const { return priv->versionText; }

const char* Nimbrel::GetMaker() const { return priv->makerText; }

Uint64 Nimbrel::GetFreeMemory() const { return FreePhysicalMemory(); }

int Nimbrel::Execute(const char* commandLine) const { return StartCommandLine(commandLine) ? 1 : 0; }

int Nimbrel::OpenDocument(const char* document) const { return ::OpenDocument(document) ? 1 : 0; }

Uint32 Nimbrel::CRC32(const void* data, int length) const {
    if (length <= 0 || !data) return 0;
    return ChecksumUpdate(0, data, static_cast<size_t>(length));
}

int Nimbrel::MakePath(const char* path) const {
    if (!path || !*path) return 0;

    // The directory part: everything up to the last separator, named as the files saved into it
    // will be.
    std::string text = NativePath(path);
    size_t lastSeparator = text.find_last_of('/');
    if (lastSeparator == std::string::npos) return 0;
    std::string directory = text.substr(0, lastSeparator + 1);

    // Walk the components, creating each missing prefix.
    for (size_t end = directory.find('/', 1); end != std::string::npos; end = directory.find('/', end + 1)) {
        std::string prefix = directory.substr(0, end);
        if (prefix.empty() || PathExists(prefix.c_str())) continue;
        if (!MakeDirectory(prefix.c_str()) && !PathExists(prefix.c_str())) return 0;
    }
    return 1;
}

// ---- State --------------------------------------------------------------------------------------

bool Nimbrel::IsInitialized() const { return priv->initialized; }

Uint8 Nimbrel::KeyState(int key) const {
    if (!priv->keyTable || key < 0 || key >= SDLK_LAST) return 0;
    return priv->keyTable[key];
}

void Nimbrel::SetRenderCallback(RenderCallback callback) { priv->renderCallback = callback; }

float Nimbrel::GetLogicAccumulator() const { return priv->pacing.logicAccumulator; }

int Nimbrel::GetUpdateMode() const { return priv->overlayRedrawMode != kOverlayNone ? 1 : 0; }

void Nimbrel::SetUpdateMode(int n) {
    if (n <= 0) {
        bool doubleBuffered = screen && (screen->flags & SDL_DOUBLEBUF);
        if (!doubleBuffered) priv->overlayRedrawMode = kOverlayNone;
    } else if (n == 1) {
        if (priv->overlayRedrawMode != kOverlayAlways) priv->overlayRedrawMode = kOverlayOnce;
    } else {
        priv->overlayRedrawMode = kOverlayAlways;
    }
}

bool Nimbrel::IsOpenGL() const { return priv->openGL; }

void Nimbrel::SetWindowSize(int width, int height) {
    const bool given = width > 0 && height > 0;
    priv->windowWidth = given ? width : 0;
    priv->windowHeight = given ? height : 0;
}
