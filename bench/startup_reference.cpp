// The reference of startup_bench: the least a program does to show a 430x400 window, starting
// SDL's video, opening the window and flipping once.
#include <SDL.h>

int main(int, char**) {
    if (SDL_Init(SDL_INIT_VIDEO) < 0) return 1;
    SDL_Surface* screen = SDL_SetVideoMode(430, 400, 0, SDL_SWSURFACE);
    if (!screen) {
        SDL_Quit();
        return 1;
    }
    SDL_Flip(screen);
    SDL_Quit();
    return 0;
}
