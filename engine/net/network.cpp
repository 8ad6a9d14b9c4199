// INetwork: TCP client and server.
//
// The interface object and its private block. Its operations arrive with the module that
// builds them.
#include "Nimbrel.h"

#include "core/interface_log.h"

struct INetwork::Private {};

class INetwork* INetwork = nullptr;

INetwork::INetwork() : priv(new Private) { LogInterfaceCreated("INetwork"); }

INetwork::~INetwork() {
    delete priv;
    LogInterfaceDeleted("INetwork");
}
