// ISoundFX: music and sound effects.
//
// The interface object and its private block. Its operations arrive with the module that
// builds them.
#include "Nimbrel.h"

#include "core/interface_log.h"

struct ISoundFX::Private {
    bool deviceOpen = false; // every operation is a silent no-op while the device is closed
};

class ISoundFX* ISoundFX = nullptr;

ISoundFX::ISoundFX() : priv(new Private) { LogInterfaceCreated("ISoundFX"); }

ISoundFX::~ISoundFX() {
    delete priv;
    LogInterfaceDeleted("ISoundFX");
}

void ISoundFX::Disable() { priv->deviceOpen = false; }
