// IScreenFX: mirror, resize, zoom and rotation of surface rectangles.
//
// The interface object and its private block. Its operations arrive with the module that
// builds them.
#include "Nimbrel.h"

#include "core/interface_log.h"

struct IScreenFX::Private {};

class IScreenFX* IScreenFX = nullptr;

IScreenFX::IScreenFX() : priv(new Private) { LogInterfaceCreated("IScreenFX"); }

IScreenFX::~IScreenFX() {
    delete priv;
    LogInterfaceDeleted("IScreenFX");
}
