// Setup: the configuration launcher that a player starts before the game.
#include <SDL.h>

#include "setup_app.h"

int main(int, char**) { return RunSetup(); }
