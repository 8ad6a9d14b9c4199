// The three tabs: showing one (its background, the logotype, the buttons and its texts).
#ifndef SETUP_TABS_H
#define SETUP_TABS_H

// Shows tab 0 (general), 1 (video) or 2 (audio). Showing the current tab again only marks its tab
// button selected.
void ShowTab(int tab);

#include "Nimbrel.h"

// The general tab's texts: the processor's description, the free memory ("N Megabytes") and the
// benchmark score ("N points").
struct GeneralTexts {
    char processor[Nimbrel::kCPUTextSize];
    char memory[32];
    char score[32];
    bool processorUsable;
};
GeneralTexts MakeGeneralTexts();

#endif
