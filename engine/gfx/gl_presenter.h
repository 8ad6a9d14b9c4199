// Renderer 64's presentation: the game draws into a software screen of the size and format it
// asked for, and at each flip this shows that screen in an OpenGL window as one textured quad.
//
// Why a software screen: every drawing path of the engine and of games keeps working unchanged,
// and the window is free to be larger than the game. The picture is scaled to fit, its aspect
// kept, between black bars; a full-screen window takes the desktop's own resolution instead of
// changing the display mode. Only the rows that changed since the last flip are uploaded.
//
// One screen at a time, on the main thread, like SDL's own video surface.
#ifndef NIMBREL_GFX_GL_PRESENTER_H
#define NIMBREL_GFX_GL_PRESENTER_H

#include <SDL.h>

#include <string>

struct OpenGLScreenRequest {
    int width = 640, height = 480;        // the game's screen
    int windowWidth = 0, windowHeight = 0; // a window of another size; 0: the game's size
    Uint32 windowFlags = 0;                // SDL_FULLSCREEN (the desktop's size) and SDL_NOFRAME
    bool smooth = false;                   // linear filtering when scaling, else nearest
    bool waitForRetrace = false;           // swap interval 1
};

// Opens the OpenGL window and makes the software screen, which the presenter owns. Null when no
// OpenGL context can be made or it lacks what the presenter needs; `error` then says why and
// nothing is left open. `grantedFlags` receives the window's flags (full screen or not).
SDL_Surface* OpenGLOpenScreen(const OpenGLScreenRequest& request, Uint32* grantedFlags, std::string* error);

// True while a screen is presented through OpenGL: the backend answers for itself, whatever
// Nimbrel.IsOpenGL says about surfaces.
bool OpenGLIsPresenting();

// Shows the screen: uploads the rows that changed, draws the picture and swaps. A screen that has
// not changed since it was shown is left as it is on the window (at most a second), so a game
// that idles costs the drawing nothing. Nothing when no screen is open.
void OpenGLPresent();

// The window lost its picture (an expose event): the next present draws it again.
void OpenGLWindowNeedsPicture();

// Frees the texture and the software screen. SDL closes the window itself when video stops.
void OpenGLCloseScreen();

// Mouse positions between window and screen pixels; unchanged when no screen is presented.
void OpenGLWindowToScreen(int* x, int* y);
void OpenGLScreenToWindow(int* x, int* y);

#endif
