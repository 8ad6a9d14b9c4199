// cSimpleWin: the translucent window the console and the debug window are made of.
#include "overlays/simple_win_private.h"

#include <algorithm>
#include <cctype>

#include "core/clock.h"
#include "cursor/cursor_safe_blit.h"
#include "gfx/screen_fx.h"
#include "overlays/builtin_font.h"

namespace {

const Uint32 kFadeMs = 1000;

// The built-in font, decoded from the PNG bytes the build embedded. Null when the image interface
// does not exist yet or the bytes do not make a font (the window then refuses Enable).
CFont* MakeBuiltinFont(Uint8 alpha) {
    if (!IImage) return nullptr;
    SDL_Surface* bitmap = IImage->LoadFromPNG(kBuiltinFontPng, kBuiltinFontPngSize);
    if (!bitmap) return nullptr;
    CFont* font = new CFont;
    font->Create(bitmap);
    SDL_FreeSurface(bitmap);
    if (!font->GetSurface()) {
        delete font;
        return nullptr;
    }
    font->SetCursorCharacter('_');
    font->SetAlpha(alpha);
    font->SetName("VXQR builtin font");
    return font;
}

// The surface as the display wants it; the original is freed. Null when it cannot be converted.
SDL_Surface* ToDisplayFormat(SDL_Surface* surface) {
    if (!surface || !SDL_GetVideoSurface()) return surface;
    SDL_Surface* converted = SDL_DisplayFormat(surface);
    SDL_FreeSurface(surface);
    return converted;
}

// The image resized smoothly to the window, in display format; null when it cannot be made.
SDL_Surface* ResizedImage(SDL_Surface* image, int width, int height) {
    return ToDisplayFormat(MakeResize(image, nullptr, 1, width, height, nullptr, nullptr).made);
}

} // namespace

void RequestOverlayRedraw() { Nimbrel.SetUpdateMode(1); }

std::string BinaryDigits(Uint32 value) {
    std::string digits;
    do {
        digits.insert(digits.begin(), char('0' + (value & 1)));
        value >>= 1;
    } while (value);
    return digits;
}

std::vector<std::string> SplitWords(const char* line) {
    std::vector<std::string> words;
    for (const char* p = line; p && *p;) {
        while (*p && std::isspace(static_cast<unsigned char>(*p))) ++p;
        const char* start = p;
        while (*p && !std::isspace(static_cast<unsigned char>(*p))) ++p;
        if (p > start) words.emplace_back(start, p);
    }
    return words;
}

cSimpleWin::cSimpleWin() : priv(new Private) { priv->font = MakeBuiltinFont(priv->alpha); }

cSimpleWin::~cSimpleWin() {
    if (priv->background) SDL_FreeSurface(priv->background);
    if (priv->backgroundImage) SDL_FreeSurface(priv->backgroundImage);
    delete priv->font;
    delete priv;
}

bool cSimpleWin::Update() {
    if (!priv->enabled || priv->fadeState == kHidden) return false;
    if (priv->fadeState == kShown) return true;
    const Uint32 now = EngineTicks();
    if (priv->fadeStart == 0) priv->fadeStart = now ? now : 1; // 0 means "no fade started"
    priv->fadeLast = now;
    const Uint32 elapsed = now - priv->fadeStart;
    const int alpha = priv->alpha;
    if (elapsed <= kFadeMs) {
        const int part = int(elapsed) * alpha / int(kFadeMs);
        ApplyAlpha(priv->fadeState == kFadingIn ? part : alpha - part);
        RequestOverlayRedraw();
        return true;
    }
    const bool in = priv->fadeState == kFadingIn;
    priv->fadeState = in ? kShown : kHidden;
    ApplyAlpha(in ? -1 : 0);
    priv->fadeStart = 0;
    RequestOverlayRedraw();
    return true;
}

bool cSimpleWin::Enable() {
    if (!Nimbrel.screen) return false;
    if (priv->width < kMinWidth || priv->height < kMinHeight) {
        ILogSystem.Msg(2, " \xB7 [SimpleWin] Warning: the window size is too small (%dx%d)\n", priv->width,
                       priv->height);
        return false;
    }
    if (!priv->background) {
        ILogSystem.Msg(2, " \xB7 [SimpleWin] Warning: a background image or color is needed for the window\n");
        return false;
    }
    if (!priv->font) {
        ILogSystem.Msg(2, " \xB7 [SimpleWin] Warning: a font is needed for the window\n");
        return false;
    }
    priv->enabled = true;
    return true;
}

void cSimpleWin::Disable() { priv->enabled = false; }

bool cSimpleWin::IsEnabled() const { return priv->enabled; }

void cSimpleWin::Move(int x, int y) {
    SDL_Surface* screen = Nimbrel.screen;
    if (!priv->enabled || !screen) return;
    if (x >= 0) priv->x = Sint16(Limit(x, 0, screen->w - priv->width));
    if (y >= 0) priv->y = Sint16(Limit(y, 0, screen->h - priv->height));
    Relayout();
    RequestOverlayRedraw();
}

void cSimpleWin::GetPosition(int* x, int* y) const {
    if (x) *x = priv->x;
    if (y) *y = priv->y;
}

void cSimpleWin::Resize(int width, int height) {
    SDL_Surface* screen = Nimbrel.screen;
    if (!priv->enabled || !screen) return;
    // A screen smaller than the minimum never makes a window smaller than the minimum either.
    const int newWidth = width >= kMinWidth ? Limit(width, kMinWidth, std::max(int(kMinWidth), screen->w - priv->x))
                                            : priv->width;
    const int newHeight =
        height >= kMinHeight ? Limit(height, kMinHeight, std::max(int(kMinHeight), screen->h - priv->y)) : priv->height;
    if (newWidth == priv->width && newHeight == priv->height) return;
    const Uint16 oldWidth = priv->width, oldHeight = priv->height;
    priv->width = Uint16(newWidth);
    priv->height = Uint16(newHeight);
    bool made;
    if (priv->backgroundImage) {
        SDL_Surface* resized = ResizedImage(priv->backgroundImage, newWidth, newHeight);
        made = resized != nullptr;
        if (made) {
            if (priv->background) SDL_FreeSurface(priv->background);
            priv->background = resized;
            ApplyAlpha(-1);
        }
    } else {
        made = SetBackgroundColor(priv->backgroundColour);
    }
    if (!made) { // the old background is kept, so the old size is too
        priv->width = oldWidth;
        priv->height = oldHeight;
        return;
    }
    Relayout();
    RequestOverlayRedraw();
}

void cSimpleWin::GetSize(int* width, int* height) const {
    if (width) *width = priv->width;
    if (height) *height = priv->height;
}

bool cSimpleWin::SetBackgroundColor(Uint32 pixel) {
    if (!priv->enabled) return false;
    priv->backgroundColour = pixel;
    SDL_Surface* surface = ToDisplayFormat(
        SDL_CreateRGBSurface(SDL_SWSURFACE, priv->width, priv->height, 24, 0xFF0000, 0x00FF00, 0x0000FF, 0));
    if (!surface) return false;
    if (priv->background) SDL_FreeSurface(priv->background);
    if (priv->backgroundImage) SDL_FreeSurface(priv->backgroundImage);
    priv->backgroundImage = nullptr;
    priv->background = surface;
    SDL_FillRect(surface, nullptr, pixel);
    ApplyAlpha(-1);
    return true;
}

bool cSimpleWin::SetBackgroundColor(Uint8 red, Uint8 green, Uint8 blue) {
    if (!Nimbrel.screen) return false;
    return SetBackgroundColor(SDL_MapRGB(Nimbrel.screen->format, red, green, blue));
}

Uint32 cSimpleWin::GetBackgroundColor() const {
    if (!Nimbrel.screen) return priv->backgroundColour;
    Uint8 r, g, b;
    SDL_GetRGB(priv->backgroundColour, Nimbrel.screen->format, &r, &g, &b);
    return SDL_MapRGB(Nimbrel.screen->format, r, g, b);
}

bool cSimpleWin::SetBackgroundImage(SDL_Surface* image) {
    if (!priv->enabled || !image) return false;
    SDL_Surface* copy = SDL_ConvertSurface(image, image->format, SDL_SWSURFACE);
    SDL_Surface* resized = copy ? ResizedImage(copy, priv->width, priv->height) : nullptr;
    if (!resized) {
        if (copy) SDL_FreeSurface(copy);
        return false;
    }
    if (priv->background) SDL_FreeSurface(priv->background);
    if (priv->backgroundImage) SDL_FreeSurface(priv->backgroundImage);
    priv->background = resized;
    priv->backgroundImage = copy;
    ApplyAlpha(-1);
    RequestOverlayRedraw();
    return true;
}

void cSimpleWin::SetAlpha(Uint8 alpha) {
    if (!priv->enabled) return;
    priv->alpha = alpha < 64 ? 64 : alpha;
    ApplyAlpha(-1);
}

Uint8 cSimpleWin::GetAlpha() const { return priv->alpha; }

void cSimpleWin::ApplyAlpha(int value) {
    if (value < 0) value = priv->alpha;
    if (value > 255) value = 255;
    if (priv->background) {
        if (value == 255)
            SDL_SetAlpha(priv->background, 0, 0);
        else
            SDL_SetAlpha(priv->background, SDL_SRCALPHA, Uint8(value));
    }
    if (priv->font) priv->font->SetAlpha(value);
}

void cSimpleWin::Show(Uint8 show) {
    if (!priv->enabled) return;
    if (priv->features & kFeatureNoFade) {
        priv->fadeState = show ? kShown : kHidden;
        priv->fadeStart = 0;
        ApplyAlpha(show ? -1 : 0);
    } else {
        if (priv->fadeState == kFadingIn || priv->fadeState == kFadingOut) return;
        if (!show && priv->fadeState == kHidden) return;
        if (show && priv->fadeState == kShown) return;
        priv->fadeState = show ? kFadingIn : kFadingOut;
        priv->fadeStart = 0;
        if (show) ApplyAlpha(0);
    }
    RequestOverlayRedraw();
}

Uint8 cSimpleWin::IsShown() const { return priv->fadeState; }

void cSimpleWin::SetTitle(const char* title) { priv->title = title ? title : ""; }

const char* cSimpleWin::GetTitle() const { return priv->title.c_str(); }

Uint32 cSimpleWin::GetFeatures() const { return priv->features; }

void cSimpleWin::SetFeatures(Uint32 features) { priv->features = features; }

CFont* cSimpleWin::GetFont() const { return priv->font; }

int cSimpleWin::GetLineCount() const { return int(priv->lines.Count()); }

const char* cSimpleWin::GetLine(int index) const {
    if (index < 0 || size_t(index) >= priv->lines.Count()) return nullptr;
    return priv->lines.At(size_t(index)).c_str();
}

void cSimpleWin::AddLine(const char* text) { priv->lines.Add(text ? text : ""); }

void cSimpleWin::ClearLines() { priv->lines.Clear(); }

SDL_Rect cSimpleWin::Area() const {
    SDL_Rect area = {priv->x, priv->y, priv->width, priv->height};
    return area;
}

void cSimpleWin::DrawBackground() {
    if (!priv->background || !Nimbrel.screen) return;
    SDL_Rect at = Area();
    CursorSafeBlit(priv->background, nullptr, Nimbrel.screen, &at);
}
