// Termination signals.
//
// SDL turns SIGINT and SIGTERM into quit events each time its video part starts. The engine's
// pump gives quit events no reaction (only the application's own controls end it), so without
// this a player could not stop the program with Ctrl-C and the system could not stop it at
// shutdown. The engine puts back what the process had before SDL changed it.
#ifndef NIMBREL_PLATFORM_SIGNALS_H
#define NIMBREL_PLATFORM_SIGNALS_H

// Restores the SIGINT and SIGTERM handling the process had when it started (or when the
// application last set it before starting the engine).
void RestoreTerminationSignals();

// Remembers the current SIGINT and SIGTERM handling as the one to restore. Called before SDL
// starts.
void RememberTerminationSignals();

#endif
