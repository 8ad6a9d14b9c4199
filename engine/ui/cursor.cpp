// ICursor: the software mouse cursor.
//
// The interface object and its private block. Its operations arrive with the module that
// builds them.
#include "Nimbrel.h"

#include "core/interface_log.h"

struct ICursor::Private {};

class ICursor* ICursor = nullptr;

ICursor::ICursor() : priv(new Private) { LogInterfaceCreated("ICursor"); }

ICursor::~ICursor() {
    delete priv;
    LogInterfaceDeleted("ICursor");
}

// PLACEHOLDERS until the cursor module lands: there is no software cursor, so there is no
// position to remember and nothing to draw.
void ICursor::SetLastPosition(int, int) {}
void ICursor::Draw() {}
