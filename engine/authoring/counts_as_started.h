// The engine's loaders refuse to work until the engine has started. A tool checks a payload with
// the engine's own loading code without starting the rest (no display, no audio), so for the
// length of a check the engine counts as started.
#ifndef NIMBREL_AUTHORING_COUNTS_AS_STARTED_H
#define NIMBREL_AUTHORING_COUNTS_AS_STARTED_H

#include "Nimbrel.h"

namespace NimbrelAuthoring {

class CountsAsStarted {
public:
    CountsAsStarted() : previous_(Nimbrel.startTicks) {
        if (previous_ == Nimbrel::kNotStarted) Nimbrel.startTicks = 0;
    }
    ~CountsAsStarted() { Nimbrel.startTicks = previous_; }
    CountsAsStarted(const CountsAsStarted&) = delete;
    CountsAsStarted& operator=(const CountsAsStarted&) = delete;

private:
    Uint32 previous_;
};

} // namespace NimbrelAuthoring

#endif
