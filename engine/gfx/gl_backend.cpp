// The surface hand-offs of the OpenGL backend in this version (see gl_backend.h): every surface
// stays in software, so there is nothing to upload, and the operations meant for texture surfaces
// never find one.
#include "gfx/gl_backend.h"

bool IsOpenGLSurface(const SDL_Surface*) { return false; }

// The surface stays in software and is drawn into the screen like any other.
void OpenGLUploadSurface(SDL_Surface*) {}

// Reached only for texture surfaces, of which there are none: nothing is drawn, nothing read.
void OpenGLDrawPoint(SDL_Surface*, int, int, Uint32) {}

Uint32 OpenGLReadPixel(SDL_Surface*, int, int) { return 0; }

int OpenGLBlitTransformed(SDL_Surface*, SDL_Rect*, SDL_Rect*, const OpenGLTransform&) {
    SDL_SetError("no surface is an OpenGL texture in this version");
    return -1;
}
