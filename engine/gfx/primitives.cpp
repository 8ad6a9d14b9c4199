// IPrimitives: pixels, lines and rectangles.
//
// The interface object and its private block. Its operations arrive with the module that
// builds them.
#include "Nimbrel.h"

#include "core/interface_log.h"

struct IPrimitives::Private {};

class IPrimitives* IPrimitives = nullptr;

IPrimitives::IPrimitives() : priv(new Private) { LogInterfaceCreated("IPrimitives"); }

IPrimitives::~IPrimitives() {
    delete priv;
    LogInterfaceDeleted("IPrimitives");
}
