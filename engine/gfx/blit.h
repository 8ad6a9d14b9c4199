// Drawing services shared inside the engine: the hand-offs to the software cursor and to the
// OpenGL presentation backend, and the test seam of Nimbrel_Blit.
//
// The public side (Nimbrel_Blit, pixel backups, Nimbrel.Blit) is declared in Nimbrel.h; this
// header gathers the points where drawing code meets modules that are not built yet, so that each
// has exactly one place to be wired in.
#ifndef NIMBREL_GFX_BLIT_H
#define NIMBREL_GFX_BLIT_H

#include <SDL.h>

// ---- Software cursor ----------------------------------------------------------------------------
// Drawing that may cover the software cursor calls CursorTakeDown with the area it is about to
// draw and, when that returns true, CursorSaveBackground once it has drawn.
//
// There is no software cursor yet (ICursor has no TakeDown or SaveBackground), so nothing is ever
// taken down: CursorTakeDown returns false. The cursor module wires itself in here.
bool CursorTakeDown(const SDL_Rect* area);
void CursorSaveBackground();

// ---- OpenGL presentation backend ----------------------------------------------------------------
// What drawing hands to the OpenGL backend. That backend does not exist: Nimbrel.IsOpenGL() is
// never true and no surface carries OpenGL data, so these are never reached today. The backend
// wires itself in here.
//
// True when the surface is an OpenGL texture surface.
bool IsOpenGLSurface(const SDL_Surface* surface);
// Uploads a surface as a texture (images loaded with conversion on).
void OpenGLUploadSurface(SDL_Surface* surface);
// Draws one point on the screen with the backend's colour and alpha modulation.
void OpenGLDrawPoint(SDL_Surface* screen, int x, int y, Uint32 colour);
// Reads one pixel of a texture surface back.
Uint32 OpenGLReadPixel(SDL_Surface* surface, int x, int y);

// ---- Test seam ----------------------------------------------------------------------------------
// The blit Nimbrel_Blit hands every case but the plain copy to: SDL_UpperBlit, or a stand-in a
// test installs to play a renderer that loses surfaces. Null restores SDL_UpperBlit.
typedef int (*UpperBlitFunction)(SDL_Surface* source, SDL_Rect* sourceRect, SDL_Surface* destination,
                                 SDL_Rect* destinationRect);
void SetUpperBlitForTests(UpperBlitFunction blit);

// True when Nimbrel_Blit would copy source to destination itself through the copy path rather
// than hand the blit to SDL (benchmarks and tests check that the case they measure is this one).
bool IsPlainBlit(const SDL_Surface* source, const SDL_Surface* destination);

#endif
