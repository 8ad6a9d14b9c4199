// Where drawing code hands a surface to the OpenGL backend of renderer 64: texture upload of
// images, sprites, tiles, fonts and the cursor; point drawing, read-back and the transformed blit
// of the screen effects.
//
// In this version the backend only presents the screen (gfx/gl_presenter.h): the screen and every
// surface stay in software, so no surface is an OpenGL surface, Nimbrel.IsOpenGL() stays false
// and drawing code keeps its software branch. These entry points are where a later version keeps
// a texture per surface and draws the transform state on the GPU; until then they answer for
// software surfaces, and the three that only make sense for a texture surface refuse.
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
