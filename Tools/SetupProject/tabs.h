// The three tabs: showing one (its background, the logotype, the buttons and its texts) and
// bringing each tab's controls into line with the settings.
#ifndef SETUP_TABS_H
#define SETUP_TABS_H

// Shows tab 0 (general), 1 (video) or 2 (audio). Showing the current tab again only marks its tab
// button selected.
void ShowTab(int tab);

// Each tab's buttons return to their layout states and then show the current settings.
void RefreshGeneralTab();
void RefreshVideoTab();
void RefreshAudioTab();

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
