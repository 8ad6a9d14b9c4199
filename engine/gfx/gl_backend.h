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

#endif
