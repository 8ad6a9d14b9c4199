// CSprite: animated images from "SPR2" blocks (and legacy "SPR" blocks, converted in the package).
//
// This module owns the sprite's life: loading, positions and smoothing, the animation step at each
// draw, the saved background on single-buffered screens, and the colour key and alpha changes.
#include "Nimbrel.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "core/clock.h"
#include "cursor/cursor_safe_blit.h"
#include "data/sprite_payload.h"
#include "gfx/gl_backend.h"
#include "gfx/payload_surface.h"
#include "resources/resource_block.h"
#include "resources/resource_surface.h"
#include "resources/sprite_animation.h"

struct CSprite::Private {
    bool loaded = false;
    bool backgroundSaving = false; // decided once, at construction

    Sint32 frameWidth = 0, frameHeight = 0;
    std::vector<spr::SpriteAnimation> animations;
    int animation = 0;
    AnimationPlayhead playhead;

    ResourceSurface sheet;
    NimbrelPixelBackup* backup = nullptr;

    // Positions: where the game put the sprite (logic), where it was before a smoothed move, and
    // where it is drawn; the trackers hold how far the drawn position has moved from the previous
    // one since that move.
    float x = 0, y = 0;
    float previousX = 0, previousY = 0;
    float drawnX = 0, drawnY = 0;
    float trackerX = -1.0f, trackerY = -1.0f;
    bool smoothing = false;

    SDL_Surface* background = nullptr;
    bool backgroundSaved = false;
    SDL_Rect lastDraw = {0, 0, 0, 0};

    char name[32] = {0};

    void Unload();
};

void CSprite::Private::Unload() {
    if (sheet.surface) SDL_FreeSurface(sheet.surface);
    if (background) SDL_FreeSurface(background);
    Nimbrel_FreePixelBackup(backup);
    sheet = ResourceSurface();
    background = nullptr;
    backup = nullptr;
    std::vector<spr::SpriteAnimation>().swap(animations);
    loaded = false;
}

CSprite::CSprite() : priv(new Private) {
    const SDL_Surface* screen = Nimbrel.screen;
    priv->backgroundSaving = screen && !(screen->flags & SDL_DOUBLEBUF) && !Nimbrel.IsOpenGL();
    ++Nimbrel.liveSprites;
}

CSprite::~CSprite() {
    priv->Unload();
    delete priv;
    --Nimbrel.liveSprites;
}

namespace {

const ResourceBlockTexts kSpriteTexts = {
    "sprite",
    "Error: sprite not found\n",
    "Info: sprite successfully updated from v1.0 to v2.0.\n",
};

// What the saved background is kept in: one frame of the screen, in the screen's format.
SDL_Surface* MakeBackgroundSurface(int width, int height) {
    SDL_Surface* surface = SDL_CreateRGBSurface(0, width, height, 24, 0xFF0000, 0x00FF00, 0x0000FF, 0);
    if (!surface) return nullptr;
    if (Nimbrel.screen && DiffersFromDisplay(surface, Nimbrel.screen)) surface = ConvertToDisplayFormat(surface, false);
    SDL_SetAlpha(surface, 0, 255);
    SDL_SetColorKey(surface, 0, 0);
    return surface;
}

// A drawing coordinate from a float position: rounded down, cut to SDL_Rect's 16 bits. Positions
// beyond the int range are held at its ends first (converting them is undefined).
Sint16 DrawCoordinate(float position, int hotSpot) {
    double value = std::floor(double(position));
    if (value > 2147483647.0) value = 2147483647.0;
    if (value < -2147483648.0) value = -2147483648.0;
    return Sint16(Sint64(value) - hotSpot);
}

// One axis of smoothing: the drawn coordinate follows the way from the previous logic position to
// the new one as the logic accumulator's fraction grows, and snaps to the new position when the
// fraction starts over.
void SmoothAxis(float fraction, float previous, float target, float* tracker, float* drawn) {
    const float candidate = target * fraction + previous * (1.0f - fraction);
    const float distance = std::fabs(previous - candidate);
    if (distance > *tracker && target != *drawn) {
        *tracker = distance;
        *drawn = candidate;
    } else {
        *drawn = target;
    }
}

} // namespace

// ---- Loading ------------------------------------------------------------------------------------

int CSprite::Load(int package, const char* name, const char* label) {
    const char* packageName = ::IStuffDPF && package > 0 ? ::IStuffDPF->GetName(package) : nullptr;
    const ResourceLoadCall call = {"CSprite::Load", packageName ? packageName : "", name ? name : "",
                                   label ? label : ""};
    if (Nimbrel.startTicks == Nimbrel::kNotStarted) {
        LogLoad(0, call, "Error: Nimbrel was not initialized. Aborting the sprite load.\n");
        return 0;
    }
    if (package <= 0 || !name || !label) return 0;
    if (priv->loaded) {
        LogLoad(2, call, "Warning: sprite already exists. It is not possible to create another one.\n");
        return 0;
    }

    try {
        ResourceBlockLoader blocks(package, call, kSpriteTexts);
        ResourcePayload payload;
        if (!blocks.Load("SPR2", "SPR", spr::ConvertLegacySprite, &payload)) return 0;
        spr::SpriteView view;
        const char* problem = "";
        if (!spr::ParseSprite(payload.bytes(), payload.size(), &view, &problem)) return blocks.Damaged(problem);
        if (!blocks.StoreConversion(payload)) return 0;

        ResourceSurface sheet;
        if (!MakeResourceSurface(view.sheet, "CSprite->Load", call.package, call.name, &sheet)) {
            LogLoad(0, call, "Error: the sheet surface could not be created.\n");
            return 0;
        }
        payload.Release();

        Private& p = *priv;
        p.sheet = sheet;
        p.animations.swap(view.animations);
        p.frameWidth = view.frameWidth;
        p.frameHeight = view.frameHeight;
        p.x = p.previousX = p.drawnX = std::floor(float(view.x));
        p.y = p.previousY = p.drawnY = std::floor(float(view.y));
        p.trackerX = p.trackerY = -1.0f;
        p.smoothing = false;
        p.lastDraw = {DrawCoordinate(p.x, 0), DrawCoordinate(p.y, 0), Uint16(p.frameWidth), Uint16(p.frameHeight)};
        p.animation = 0;
        StartAnimation(p.animations[0], &p.playhead);
        std::snprintf(p.name, sizeof p.name, "%s", name);
        if (p.backgroundSaving) p.background = MakeBackgroundSurface(p.frameWidth, p.frameHeight);
        p.backgroundSaved = false;
        p.backup = Nimbrel_TakePixelBackup(p.sheet.surface);
        p.loaded = true;
        return int(p.animations.size());
    } catch (const std::bad_alloc&) {
        priv->Unload();
        LogLoad(0, call, "Error: there is not enough memory to load the sprite.\n");
        return 0;
    }
}

int CSprite::Load(const char* packageFile, const char* name, const char* label) {
    if (!::IStuffDPF) return Load(0, name, label); // logs that the engine is not started
    const int package = ::IStuffDPF->Open(packageFile);
    if (package <= 0) return 0;
    const int animations = Load(package, name, label);
    ::IStuffDPF->Close(package);
    return animations;
}

// ---- Position, key and alpha --------------------------------------------------------------------

void CSprite::SetPosition(int x, int y, int smooth) {
    if (!priv->loaded) return;
    Private& p = *priv;
    if (smooth <= 0) {
        p.x = float(x);
        p.y = float(y);
        p.smoothing = false;
        return;
    }
    p.previousX = p.x;
    p.previousY = p.y;
    p.trackerX = p.trackerY = -1.0f;
    p.x = float(x);
    p.y = float(y);
    p.smoothing = true;
}

SDL_Surface* CSprite::GetSurface() const { return priv->loaded ? priv->sheet.surface : nullptr; }

namespace {

// The sheet in the display's format again after a change of key or alpha, with its backup
// refreshed to match.
void ConvertSheetAgain(ResourceSurface* sheet, NimbrelPixelBackup** backup) {
    sheet->surface = ConvertToDisplayFormat(sheet->surface, sheet->alphaPerPixel);
    if (*backup) {
        Nimbrel_FreePixelBackup(*backup);
        *backup = Nimbrel_TakePixelBackup(sheet->surface);
    }
}

} // namespace

void CSprite::SetColorKey(Uint32 key) {
    if (!priv->loaded || key == priv->sheet.colorKey) return;
    ResourceSurface& sheet = priv->sheet;
    if (!sheet.alphaPerPixel) {
        if (key == img::kNoColorKey) {
            SDL_SetColorKey(sheet.surface, 0, 0);
            sheet.surface->format->colorkey = img::kNoColorKey;
        } else {
            SDL_SetColorKey(sheet.surface, SDL_SRCCOLORKEY, key);
        }
    }
    if (Nimbrel.screen && Nimbrel.IsOpenGL()) {
        ConvertSheetAgain(&sheet, &priv->backup);
        OpenGLUploadSurface(sheet.surface);
        ILogSystem.Msg(2, " . [CSprite::SetColorKey(%d)] Warning: on-the-fly surface conversion. It may affect to the performance.\n",
                       int(key));
    }
    sheet.colorKey = key;
}

void CSprite::SetAlpha(int alpha) {
    if (alpha < 0 || alpha > 255 || !priv->loaded || priv->sheet.alphaPerPixel) return;
    ResourceSurface& sheet = priv->sheet;
    if (alpha == 255)
        SDL_SetAlpha(sheet.surface, 0, 0);
    else
        SDL_SetAlpha(sheet.surface, SDL_SRCALPHA, Uint8(alpha));
    // Video memory blits translucent and opaque surfaces best in different formats.
    const bool switchesOpacity = (alpha == 255) != (sheet.alpha == 255);
    const SDL_Surface* screen = Nimbrel.screen;
    if (screen && (screen->flags & SDL_HWSURFACE) && !Nimbrel.IsOpenGL() && switchesOpacity) {
        ConvertSheetAgain(&sheet, &priv->backup);
        ILogSystem.Msg(2, " . [CSprite::SetAlpha(%d)] Warning: on-the-fly surface conversion. It may affect to the performance.\n",
                       alpha);
    }
    sheet.alpha = Uint8(alpha);
}

// ---- Animations ---------------------------------------------------------------------------------

int CSprite::SetAnimation(int index) {
    if (!priv->loaded) return 0;
    Private& p = *priv;
    if (index < 0 || size_t(index) >= p.animations.size()) {
        ILogSystem.Msg(2, " . [CSprite::SetAnimation(%d)] Warning: the sprite '%s' has no such animation.\n", index,
                       p.name);
        return 0;
    }
    if (index != p.animation) {
        p.animation = index;
        StartAnimation(p.animations[size_t(index)], &p.playhead);
    }
    return 1;
}

int CSprite::GetAnimation() const { return priv->loaded ? priv->animation : 0; }

int CSprite::GetFrame() const { return priv->loaded ? priv->playhead.frame : 0; }

int CSprite::GetAnimationCount() const { return priv->loaded ? int(priv->animations.size()) : 0; }

int CSprite::GetFrameWidth() const { return priv->loaded ? priv->frameWidth : 0; }

int CSprite::GetFrameHeight() const { return priv->loaded ? priv->frameHeight : 0; }

// ---- Drawing ------------------------------------------------------------------------------------

namespace {

// The smallest rectangle holding both.
SDL_Rect Union(const SDL_Rect& a, const SDL_Rect& b) {
    const int left = a.x < b.x ? a.x : b.x;
    const int top = a.y < b.y ? a.y : b.y;
    const int right = a.x + a.w > b.x + b.w ? a.x + a.w : b.x + b.w;
    const int bottom = a.y + a.h > b.y + b.h ? a.y + a.h : b.y + b.h;
    return {Sint16(left), Sint16(top), Uint16(right - left), Uint16(bottom - top)};
}

} // namespace

int CSprite::Draw(SDL_Surface* target) {
    if (!priv->loaded) return 0;
    if (!target) target = Nimbrel.screen;
    if (!target) {
        ILogSystem.Msg(0, " . [CSprite::Draw()] Error: Nimbrel.screen was not initialized.\n");
        return 0;
    }
    Private& p = *priv;
    const spr::SpriteAnimation& animation = p.animations[size_t(p.animation)];
    const int result = StepAnimation(animation, &p.playhead, EngineTicks());

    if (p.smoothing) {
        const float accumulator = Nimbrel.GetLogicAccumulator();
        const float fraction = accumulator - std::floor(accumulator);
        SmoothAxis(fraction, p.previousX, p.x, &p.trackerX, &p.drawnX);
        SmoothAxis(fraction, p.previousY, p.y, &p.trackerY, &p.drawnY);
    } else {
        p.drawnX = p.x;
        p.drawnY = p.y;
    }

    SDL_Rect source = {Sint16(p.playhead.frame * p.frameWidth), Sint16(p.animation * p.frameHeight),
                       Uint16(p.frameWidth), Uint16(p.frameHeight)};
    const SDL_Rect destination = {DrawCoordinate(p.drawnX, animation.hotX), DrawCoordinate(p.drawnY, animation.hotY),
                                  Uint16(p.frameWidth), Uint16(p.frameHeight)};
    SDL_Rect at = destination; // the blits clip the rectangles they are given

    if (target != Nimbrel.screen || !p.background) {
        CursorSafeBlit(p.sheet.surface, &source, target, &at, p.backup);
        return result;
    }

    // On the screen, with the background kept: put back what the last draw covered, keep what this
    // one covers, draw. The cursor steps aside from both places first, so neither the kept
    // background nor the put-back one holds it.
    SDL_Rect covered = p.backgroundSaved ? Union(p.lastDraw, destination) : destination;
    const bool cursorTakenDown = ::ICursor && ::ICursor->TakeDown(&covered) == 1;
    if (p.backgroundSaved) {
        SDL_Rect last = p.lastDraw;
        Nimbrel_Blit(p.background, nullptr, target, &last);
    }
    p.lastDraw = destination;
    SDL_Rect from = destination;
    SDL_Rect into = {0, 0, 0, 0};
    Nimbrel_Blit(target, &from, p.background, &into);
    p.backgroundSaved = true;
    Nimbrel_Blit(p.sheet.surface, &source, target, &at, p.backup);
    if (cursorTakenDown) ::ICursor->SaveBackground();
    return result;
}
