// The main object's private block: engine state that the floors share and that the public
// header does not show. It lives on the base floor because every floor reads the main object;
// the frame pump (engine/composition/) is the main user of the pacing and input fields.
#ifndef NIMBREL_CORE_PRIVATE_H
#define NIMBREL_CORE_PRIVATE_H

#include "Nimbrel.h"

// Overlay redraw modes of the frame pump.
enum OverlayRedrawMode {
    kOverlayNone = 0,  // console and debug window are not drawn by the pump
    kOverlayOnce = 1,  // drawn once at the next render
    kOverlayAlways = 2 // drawn at every render
};

// State of the fixed-rate logic and rate-limited render steps of Nimbrel.Update.
struct FramePacing {
    bool logicBurst = false;     // a run of due logic frames is being handed out
    int pendingLogicFrames = 0;  // logic frames still to hand out in this burst
    int lastMs = 0;              // time of the last completed pacing step
    int nowMs = 0;               // time of the current pacing step
    float stepSeconds = 0.0f;
    float framesThisStep = 0.0f;
    float logicAccumulator = 0.0f;
    int lastRenderMs = 0;
    int nowRenderMs = 0;
    float renderAccumulator = 0.0f;
};

// The input seam: mouse and keys that unit tests install (through testing/test_seams.h) in
// place of SDL's, which offers no way to fake them. The frame pump reads it at every logic
// frame, so it stays in the engine; nothing else touches it.
struct TestInput {
    const Uint8* keyTable = nullptr;
    bool mouseEnabled = false;
    int mouseX = 0, mouseY = 0;
    Uint8 mouseButtons = 0;
};

struct Nimbrel::Private {
    const Uint8* keyTable = nullptr; // SDL's key state array, refreshed at each logic frame
    char versionText[64] = {0};
    char makerText[29] = {0};
    bool initialized = false;
    bool openGL = false;                        // surfaces are OpenGL textures (never yet)
    int windowWidth = 0, windowHeight = 0;      // renderer 64's window; 0: the screen's size
    RenderCallback renderCallback = nullptr;
    int overlayRedrawMode = kOverlayNone;
    FramePacing pacing;
    // The developer overlays, made by the first successful SetVideoMode and destroyed by Quit.
    cConsole* console = nullptr;
    cDebugWO* debugWindow = nullptr;
    // Debug window dragging, driven by the pump's mouse events.
    bool dragging = false;
    int dragOriginX = 0, dragOriginY = 0;
    TestInput testInput;
};

#endif
