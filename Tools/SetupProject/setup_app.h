// The Setup launcher's spine: start-up in its fixed order, the main loop and the release.
#ifndef SETUP_APP_H
#define SETUP_APP_H

// Exit codes of the launcher.
enum SetupExitCode { kSetupExitOk = 0, kSetupExitStartupFailed = 1 };

// Runs the whole launcher: start-up, main loop, release. Returns the process exit code.
int RunSetup();

// The pieces of RunSetup, for tests.
int StartSetup();      // start-up steps; 0 when the launcher is ready, else the exit code
void RunMainLoop();    // until Exit, Play or Escape
void ReleaseSetup();   // frees the launcher's resources and shuts the engine down

#endif
