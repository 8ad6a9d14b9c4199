// IVideo: the video interface's shell.
//
// The interface object and its playback state, cleared when it is created and when it is
// deleted. Playback itself is not built.
#include "Nimbrel.h"

#include "core/interface_log.h"

struct IVideo::Private {
    void* stream = nullptr;
    SDL_Surface* surface = nullptr;
    Uint32 position = 0;

    void Clear() {
        stream = nullptr;
        surface = nullptr;
        position = 0;
    }
};

class IVideo* IVideo = nullptr;

IVideo::IVideo() : priv(new Private) {
    priv->Clear();
    LogInterfaceCreated("IVideo");
}

IVideo::~IVideo() {
    priv->Clear();
    delete priv;
    LogInterfaceDeleted("IVideo");
}
