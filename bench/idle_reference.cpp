// The idle reference of startup_bench: a window program that does nothing but sleep. It starts
// the launcher's SDL subsystems (timer, audio, video), opens a 430x400 window, flips once and then
// runs the bare SDL_Delay(1) loop of pacing_bench until it is stopped.
#include <SDL.h>

int main(int, char**) {
    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_VIDEO) < 0) return 1;
    SDL_Surface* screen = SDL_SetVideoMode(430, 400, 0, SDL_SWSURFACE);
    if (!screen) {
        SDL_Quit();
        return 1;
    }
    SDL_Flip(screen);
    for (;;) SDL_Delay(1);
}
