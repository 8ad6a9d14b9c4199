// IVideo: the video interface's shell.
//
// The interface object and its private block. Its operations arrive with the module that
// builds them.
#include "Nimbrel.h"

#include "core/interface_log.h"

struct IVideo::Private {};

class IVideo* IVideo = nullptr;

IVideo::IVideo() : priv(new Private) { LogInterfaceCreated("IVideo"); }

IVideo::~IVideo() {
    delete priv;
    LogInterfaceDeleted("IVideo");
}
