// IImage: images from packages and PNG data.
//
// The interface object and its private block. Its operations arrive with the module that
// builds them.
#include "Nimbrel.h"

#include "core/interface_log.h"

struct IImage::Private {};

class IImage* IImage = nullptr;

IImage::IImage() : priv(new Private) { LogInterfaceCreated("IImage"); }

IImage::~IImage() {
    delete priv;
    LogInterfaceDeleted("IImage");
}
