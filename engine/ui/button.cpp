// IButton: buttons in layers.
//
// The interface object and its private block. Its operations arrive with the module that
// builds them.
#include "Nimbrel.h"

#include "core/interface_log.h"

struct IButton::Private {};

class IButton* IButton = nullptr;

IButton::IButton() : priv(new Private) { LogInterfaceCreated("IButton"); }

IButton::~IButton() {
    delete priv;
    LogInterfaceDeleted("IButton");
}

// PLACEHOLDER until the button module lands: with no buttons there is no input state to update.
void IButton::UpdateStates() {}
