// Nimbrel.GetCPUFeatures: processor identification and copy-path selection.
//
// PLACEHOLDER: processor detection is not built yet. Until it is, every processor is accepted
// without identification: nothing is logged, no copy path is selected (copies use memcpy), and a
// caller's buffer receives a text saying that detection is not available.
#include "Nimbrel.h"

#include <cstring>

int Nimbrel::GetCPUFeatures(char* text) {
    if (text) std::strcpy(text, "Processor detection not available");
    return 1;
}
