// The layout document.
//
// PLACEHOLDER: the layout schema is read, and the skin it names is loaded, once the resources
// the skin is made of exist (cursor, sprites, fonts, buttons). Until then the document counts as
// one that cannot be opened (code 1): the launcher has no way yet to show a skin, so it must not
// pretend that it read one.
#include "layout.h"

namespace {
char windowTitle[46] = "Setup";
}

int ParseLayout() { return kLayoutCannotOpen; }

const char* LayoutWindowTitle() { return windowTitle; }
