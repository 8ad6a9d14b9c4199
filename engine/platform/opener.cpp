// Opening a document or web address with the user's preferred application.
#include "platform/opener.h"

#include "platform/environment.h"
#include "platform/process.h"

bool OpenDocument(const char* document) {
    if (!document || !*document) return false;
    const char* opener = GetEnvironmentVariable(NIMBREL_OPENER_VARIABLE);
    if (!opener || !*opener) opener = "xdg-open";
    return StartProcess({opener, document});
}
