// ICursor: the software mouse cursor.
//
// The interface object and its private block. Its operations arrive with the module that
// builds them; until then the hooks the frame pump and the cursor-safe drawing call are declared
// placeholders.
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
// position to remember, nothing to draw, and no saved background to put back or save.
void ICursor::SetLastPosition(int, int) {}
void ICursor::Draw() {}
int ICursor::TakeDown(SDL_Rect*) { return 0; }
void ICursor::SaveBackground() {}
