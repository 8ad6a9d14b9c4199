// Preloaded into the programs startup_bench starts: the moment of the first SDL_Flip, on the
// system-wide monotonic clock in nanoseconds, is written to the file named by STARTUP_PROBE_FILE.
// Every flip is then handed on to SDL unchanged.
#include <SDL.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

extern "C" int SDL_Flip(SDL_Surface* screen) {
    typedef int (*Flip)(SDL_Surface*);
    static Flip real = reinterpret_cast<Flip>(dlsym(RTLD_NEXT, "SDL_Flip"));
    static bool first = true;
    if (first) {
        first = false;
        timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        const char* path = std::getenv("STARTUP_PROBE_FILE");
        if (path) {
            char text[32];
            int length = std::snprintf(text, sizeof text, "%lld\n",
                                       static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
            int file = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (file >= 0) {
                if (write(file, text, static_cast<size_t>(length)) != length) unlink(path);
                close(file);
            }
        }
    }
    return real ? real(screen) : -1;
}
