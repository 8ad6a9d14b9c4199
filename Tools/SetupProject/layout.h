// The layout document: layout.xml inside setup.dpf names the game, its configuration document,
// the skin and the place of every button.
#ifndef SETUP_LAYOUT_H
#define SETUP_LAYOUT_H

// Result codes of the parsing step.
enum LayoutResult {
    kLayoutOk = 0,
    kLayoutCannotOpen = 1, // setup.dpf or layout.xml could not be opened
};

// Reads layout.xml from setup.dpf into the launcher's state. 0 on success, otherwise the code of
// the first missing item.
int ParseLayout();

// The window title built from the layout: the game's name, " - ", "Setup".
const char* LayoutWindowTitle();

#endif
