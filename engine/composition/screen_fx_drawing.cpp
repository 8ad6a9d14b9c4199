// IScreenFX's operations as the application sees them: the new surface that gfx/screen_fx.cpp
// makes is either handed to the caller or drawn at the destination point and freed. Drawing goes
// through the cursor-safe Nimbrel.Blit, which is why these sit here, above the cursor, while the
// surface and pixel work stays on the drawing floor.
#include "Nimbrel.h"

#include "gfx/screen_fx.h"

namespace {

SDL_Surface* Deliver(const ScreenEffect& effect, SDL_Surface* destination, const SDL_Rect* destinationRect) {
    if (!effect.made) return effect.answer;
    if (!destination) return effect.made;
    // A copy, so that the blit's clipping does not write into the caller's rectangle: only its
    // point is used.
    SDL_Rect at = {0, 0, 0, 0};
    if (destinationRect) at = *destinationRect;
    at.x = Sint16(at.x + effect.moveX);
    at.y = Sint16(at.y + effect.moveY);
    Nimbrel.Blit(effect.made, nullptr, destination, &at);
    SDL_FreeSurface(effect.made);
    return destination;
}

} // namespace

SDL_Surface* IScreenFX::FlipX(SDL_Surface* source, const SDL_Rect* sourceRect, SDL_Surface* destination,
                              const SDL_Rect* destinationRect) {
    return Deliver(MakeFlipX(source, sourceRect, destination, destinationRect), destination, destinationRect);
}

SDL_Surface* IScreenFX::FlipY(SDL_Surface* source, const SDL_Rect* sourceRect, SDL_Surface* destination,
                              const SDL_Rect* destinationRect) {
    return Deliver(MakeFlipY(source, sourceRect, destination, destinationRect), destination, destinationRect);
}

SDL_Surface* IScreenFX::Resize(SDL_Surface* source, const SDL_Rect* sourceRect, int smooth, int newWidth,
                               int newHeight, SDL_Surface* destination, const SDL_Rect* destinationRect) {
    return Deliver(MakeResize(source, sourceRect, smooth, newWidth, newHeight, destination, destinationRect),
                   destination, destinationRect);
}

SDL_Surface* IScreenFX::Zoom(SDL_Surface* source, const SDL_Rect* sourceRect, int smooth, double zoomX, double zoomY,
                             SDL_Surface* destination, const SDL_Rect* destinationRect) {
    return Deliver(MakeZoom(source, sourceRect, smooth, zoomX, zoomY, destination, destinationRect), destination,
                   destinationRect);
}

SDL_Surface* IScreenFX::RotoZoom(SDL_Surface* source, const SDL_Rect* sourceRect, int smooth, double angle,
                                 double zoom, SDL_Surface* destination, const SDL_Rect* destinationRect) {
    return Deliver(MakeRotoZoom(source, sourceRect, smooth, angle, zoom, destination, destinationRect), destination,
                   destinationRect);
}

SDL_Surface* IScreenFX::Rotate(SDL_Surface* source, const SDL_Rect* sourceRect, int smooth, double angle,
                               SDL_Surface* destination, const SDL_Rect* destinationRect) {
    return Deliver(MakeRotoZoom(source, sourceRect, smooth, angle, 1.0, destination, destinationRect, "Rotate"),
                   destination, destinationRect);
}
