// PLACEHOLDERS for the OpenGL presentation backend, which is not built (see gl_backend.h): no
// surface is ever an OpenGL surface, so there is nothing to upload, draw, transform or read back.
#include "gfx/gl_backend.h"

bool IsOpenGLSurface(const SDL_Surface*) { return false; }

void OpenGLUploadSurface(SDL_Surface*) {}

void OpenGLDrawPoint(SDL_Surface*, int, int, Uint32) {}

Uint32 OpenGLReadPixel(SDL_Surface*, int, int) { return 0; }

int OpenGLBlitTransformed(SDL_Surface*, SDL_Rect*, SDL_Rect*, const OpenGLTransform&) { return -1; }
