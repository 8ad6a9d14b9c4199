// Nimbrel.Update: the frame pump. One call handles at most one SDL event and at most one logic
// or render step.
//
// Logic frames run at a fixed rate: when the time since the last step makes one or more logic
// frames due, the pump hands them out one per call (each call returns 0) before it renders again.
// Rendering is capped at the render rate. Both accumulators keep only their fractional part:
// the floor differences the pacing depends on are the same, and the value never grows into a
// range where single precision would swallow a 1 ms step (which would stop the logic after a few
// hours).
//
// The pump asks the window system for new input only when it steps: once per logic frame and once
// before each render. In between it hands out what those asks queued. Nothing can see input
// sooner anyway (the logic samples it per logic frame, the picture changes per render), and a game
// that sleeps 1 ms per call would otherwise wake the X connection a thousand times a second while
// it idles.
#include "Nimbrel.h"

#include <cmath>

#include "core/clock.h"
#include "composition/overlay_wiring.h"
#include "core/nimbrel_private.h"
#include "gfx/gl_presenter.h"

namespace {

const Uint8 kPseudoEventType = 30; // "nothing happened, nothing rendered yet"

// The time system's elapsed milliseconds, as the pump reads them.
int ElapsedMs() { return ITimeSystem ? ITimeSystem->GetTicks() : -1; }

int LogicRate() { return ITimeSystem ? ITimeSystem->GetLogicRate() : -1; }

int RenderRate() { return ITimeSystem ? ITimeSystem->GetRenderRate() : -1; }

// Number of whole frames that adding `frames` to `accumulator` crosses.
int WholeFramesCrossed(float frames, float accumulator) {
    return static_cast<int>(std::floor(frames + accumulator) - std::floor(accumulator));
}

float FractionalPart(float value) { return value - std::floor(value); }

// Mouse events of a scaled OpenGL window carry window pixels; the game and the overlays think in
// screen pixels. Relative motion keeps SDL's values. An exposed OpenGL window needs its picture
// again, which SDL leaves to the program.
void AdaptToOpenGLWindow(SDL_Event& event) {
    int x, y;
    switch (event.type) {
    case SDL_VIDEOEXPOSE:
        OpenGLWindowNeedsPicture();
        break;
    case SDL_MOUSEMOTION:
        x = event.motion.x, y = event.motion.y;
        OpenGLWindowToScreen(&x, &y);
        event.motion.x = Uint16(x), event.motion.y = Uint16(y);
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        x = event.button.x, y = event.button.y;
        OpenGLWindowToScreen(&x, &y);
        event.button.x = Uint16(x), event.button.y = Uint16(y);
        break;
    default:
        break;
    }
}

// The next event the last ask of the window system queued, without asking again.
bool NextQueuedEvent(SDL_Event& event) { return SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_ALLEVENTS) > 0; }

} // namespace

// ---- Logic and render steps ---------------------------------------------------------------------

namespace {

// Mouse and keyboard as SDL sees them, unless a test has installed its own.
void SampleInput(class Nimbrel& engine, Nimbrel::Private& priv) {
    const TestInput& test = priv.testInput;
    if (test.mouseEnabled) {
        engine.mouseX = test.mouseX;
        engine.mouseY = test.mouseY;
        engine.mouseButtons = test.mouseButtons;
    } else {
        engine.mouseButtons = SDL_GetMouseState(&engine.mouseX, &engine.mouseY);
        OpenGLWindowToScreen(&engine.mouseX, &engine.mouseY);
    }
    priv.keyTable = test.keyTable ? test.keyTable : SDL_GetKeyState(nullptr);
}

void RunLogicFrame(class Nimbrel& engine, Nimbrel::Private& priv) {
    if (ITimeSystem) ITimeSystem->CountLogicFrame();
    SDL_PumpEvents();
    engine.previousMouseButtons = engine.mouseButtons;
    if (ICursor) ICursor->SetLastPosition(engine.mouseX, engine.mouseY);
    SampleInput(engine, priv);
    if (IButton) IButton->UpdateStates();
    UpdateOverlays(priv);
}

// True when a frame is due at the render rate; advances the render clock when it is.
bool RenderIsDue(FramePacing& pacing) {
    int renderRate = RenderRate();
    if (renderRate <= 0) return true;
    pacing.nowRenderMs = ElapsedMs();
    // A restarted time system counts from zero again: measured from the old last render, no
    // frame would be due until the new clock caught up with the old one.
    if (pacing.nowRenderMs < pacing.lastRenderMs) pacing.lastRenderMs = pacing.nowRenderMs;
    float renderFrames = renderRate * ((pacing.nowRenderMs - pacing.lastRenderMs) * 0.001f);
    if (WholeFramesCrossed(renderFrames, pacing.renderAccumulator) < 1) return false;
    pacing.lastRenderMs = pacing.nowRenderMs;
    pacing.renderAccumulator = FractionalPart(pacing.renderAccumulator + renderFrames);
    return true;
}

void Render(class Nimbrel& engine, Nimbrel::Private& priv, SDL_Event& event) {
    SDL_PumpEvents();
    if (priv.renderCallback) priv.renderCallback(priv.pacing.logicBurst ? 1 : 0);
    event.user.code = 1;
    if (priv.overlayRedrawMode != kOverlayNone) DrawOverlays(priv);
    if (ICursor) ICursor->Draw();
    if (OpenGLIsPresenting())
        OpenGLPresent();
    else
        SDL_Flip(engine.screen);
    if (ITimeSystem) ITimeSystem->CountRenderFrame();
    if (priv.overlayRedrawMode == kOverlayOnce) priv.overlayRedrawMode = kOverlayNone;
}

} // namespace

int Nimbrel::Update(SDL_Event* callerEvent) {
    SDL_Event localEvent;
    SDL_Event& event = callerEvent ? *callerEvent : localEvent;
    FramePacing& pacing = priv->pacing;

    if (NextQueuedEvent(event)) {
        AdaptToOpenGLWindow(event);
        OverlaysReactToEvent(event, *priv);
        if (callerEvent) return 1;
    } else {
        event.user.type = kPseudoEventType;
        event.user.code = 0;
    }

    // Logic step.
    int logicRate = LogicRate();
    if (logicRate <= 0) {
        pacing.nowMs = ElapsedMs();
        RunLogicFrame(*this, *priv);
    } else {
        if (!pacing.logicBurst) {
            pacing.nowMs = ElapsedMs();
            if (pacing.nowMs < pacing.lastMs) pacing.lastMs = pacing.nowMs; // restarted clock: an empty step
            pacing.stepSeconds = (pacing.nowMs - pacing.lastMs) * 0.001f;
            pacing.framesThisStep = logicRate * pacing.stepSeconds;
            pacing.pendingLogicFrames = WholeFramesCrossed(pacing.framesThisStep, pacing.logicAccumulator);
        }
        if (pacing.pendingLogicFrames > 0) {
            pacing.logicBurst = true;
            --pacing.pendingLogicFrames;
            RunLogicFrame(*this, *priv);
            return 0;
        }
        pacing.logicAccumulator = FractionalPart(pacing.logicAccumulator + pacing.framesThisStep);
    }

    // Render step.
    if (screen && RenderIsDue(pacing)) Render(*this, *priv, event);

    if (ITimeSystem) ITimeSystem->Update();
    pacing.lastMs = pacing.nowMs;
    pacing.logicBurst = false;

    if (frameDelay > 0) SDL_Delay(static_cast<Uint32>(frameDelay));
    return logicRate > 0 ? 1 : 0;
}
