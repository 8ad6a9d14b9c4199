#include "composition/overlay_wiring.h"

#include <algorithm>

namespace {

const int kBackQuoteKey = 96;

bool Inside(const cSimpleWin& window, int x, int y) {
    int left, top, width, height;
    window.GetPosition(&left, &top);
    window.GetSize(&width, &height);
    return x >= left && x <= left + width && y >= top && y <= top + height;
}

} // namespace

void CreateOverlays(Nimbrel::Private& priv) {
    if (!priv.console) priv.console = new cConsole;
    if (!priv.debugWindow) priv.debugWindow = new cDebugWO(priv.console);
}

void DestroyOverlays(Nimbrel::Private& priv) {
    delete priv.console;
    priv.console = nullptr;
    delete priv.debugWindow;
    priv.debugWindow = nullptr;
    priv.dragging = false;
}

void OverlaysReactToEvent(const SDL_Event& event, Nimbrel::Private& priv) {
    cConsole* console = priv.console;
    cDebugWO* debug = priv.debugWindow;
    switch (event.type) {
    case SDL_KEYDOWN:
        if (event.key.keysym.sym == kBackQuoteKey && console && !(console->GetFeatures() & cSimpleWin::kFeatureFixed))
            console->Show(console->IsShown() == 0 ? 1 : 0);
        break;
    case SDL_MOUSEBUTTONDOWN:
        if (debug && debug->IsShown() && !priv.dragging && Inside(*debug, event.button.x, event.button.y)) {
            priv.dragging = true;
            priv.dragOriginX = event.button.x;
            priv.dragOriginY = event.button.y;
        }
        break;
    case SDL_MOUSEMOTION:
        if (debug && debug->IsShown() && priv.dragging) {
            int x, y;
            debug->GetPosition(&x, &y);
            // Move keeps a negative coordinate as it was; a drag past the left or top edge stops
            // at the edge instead.
            debug->Move(std::max(0, x + event.motion.x - priv.dragOriginX),
                        std::max(0, y + event.motion.y - priv.dragOriginY));
            priv.dragOriginX = event.motion.x;
            priv.dragOriginY = event.motion.y;
        }
        break;
    case SDL_MOUSEBUTTONUP:
        priv.dragging = false;
        break;
    default:
        break; // everything else, the quit request included, gets no reaction
    }
}

void UpdateOverlays(Nimbrel::Private& priv) {
    if (priv.console) priv.console->Update();
    if (priv.debugWindow) priv.debugWindow->Update();
}

void DrawOverlays(Nimbrel::Private& priv) {
    if (priv.console) priv.console->Draw();
    if (priv.debugWindow) priv.debugWindow->Draw();
}

cConsole* Nimbrel::GetConsole() const { return priv->console; }

cDebugWO* Nimbrel::GetDebugWindow() const { return priv->debugWindow; }

int Nimbrel::ShowConsole(int show) {
    cConsole* console = priv->console;
    if (!console || (!console->IsEnabled() && !console->Enable())) return 0;
    console->Show(show > 0 ? 1 : 0);
    return 1;
}

int Nimbrel::IsConsoleShown() const { return priv->console ? priv->console->IsShown() : 0; }
