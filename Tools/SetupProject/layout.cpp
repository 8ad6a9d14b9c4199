// The layout document.
//
// PLACEHOLDER: reading layout.xml needs the package and XML layers, which are not built yet.
// Until they are, the document counts as one that cannot be opened (code 1), which is the true
// state of affairs for this launcher: it has no way yet to read its skin.
#include "layout.h"

namespace {
char windowTitle[46] = "Setup";
}

int ParseLayout() { return kLayoutCannotOpen; }

const char* LayoutWindowTitle() { return windowTitle; }
