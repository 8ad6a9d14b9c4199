// Termination signals: undoing SDL's quit-event handlers for SIGINT and SIGTERM.
#include "platform/signals.h"

#include <signal.h>

namespace {
struct sigaction savedInterrupt;
struct sigaction savedTerminate;
bool remembered = false;
} // namespace

void RememberTerminationSignals() {
    sigaction(SIGINT, nullptr, &savedInterrupt);
    sigaction(SIGTERM, nullptr, &savedTerminate);
    remembered = true;
}

void RestoreTerminationSignals() {
    if (!remembered) return;
    sigaction(SIGINT, &savedInterrupt, nullptr);
    sigaction(SIGTERM, &savedTerminate, nullptr);
}
