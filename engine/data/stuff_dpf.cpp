// IStuffDPF: DPF packages, the engine's data files.
//
// The interface object and its private block. Its operations arrive with the module that
// builds them.
#include "Nimbrel.h"

#include "core/interface_log.h"

struct IStuffDPF::Private {};

class IStuffDPF* IStuffDPF = nullptr;

IStuffDPF::IStuffDPF() : priv(new Private) { LogInterfaceCreated("IStuffDPF"); }

IStuffDPF::~IStuffDPF() {
    delete priv;
    LogInterfaceDeleted("IStuffDPF");
}
