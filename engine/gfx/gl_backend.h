// The hand-off points from drawing code to the OpenGL presentation backend (renderer 64).
//
// That backend is not built: Nimbrel.IsOpenGL() is never true and no surface carries OpenGL
// data, so every drawing path takes its software branch and these are never reached. They are
// declared placeholders that do nothing, and the one place the backend wires itself in.
#ifndef NIMBREL_GFX_GL_BACKEND_H
#define NIMBREL_GFX_GL_BACKEND_H

#include <SDL.h>

// True when the surface is an OpenGL texture surface.
bool IsOpenGLSurface(const SDL_Surface* surface);
// Uploads a surface as a texture (images loaded with conversion on).
void OpenGLUploadSurface(SDL_Surface* surface);
// Draws one point on the screen with the backend's colour and alpha modulation.
void OpenGLDrawPoint(SDL_Surface* screen, int x, int y, Uint32 colour);
// Reads one pixel of a texture surface back.
Uint32 OpenGLReadPixel(SDL_Surface* surface, int x, int y);

// How a screen effect has the backend draw a texture surface instead of transforming its pixels.
struct OpenGLTransform {
    double scaleX, scaleY;   // a negative scale mirrors
    double rotation;         // degrees
    double centreX, centreY; // the turning point, from the rectangle's top-left corner
    int moveX, moveY;        // added to the destination point (a mirror draws from the far edge)
    bool smooth;
};
// Blits `sourceRect` of a texture surface (null: all of it) onto the screen at the destination
// point under `transform`. The backend's drawing state is saved before and restored after, so the
// effect leaves nothing behind. SDL_UpperBlit's result.
int OpenGLBlitTransformed(SDL_Surface* source, SDL_Rect* sourceRect, SDL_Rect* destinationRect,
                          const OpenGLTransform& transform);

#endif
