// Converting a version 3 package to the current version 4 in place, keeping the original beside
// it as "<name>_v3.dpf". Version 3 stored blocks in the clear behind a plain header; version 4
// enciphers the header and frames each block with a marker.
#ifndef NIMBREL_DATA_DPF_CONVERT_V3_H
#define NIMBREL_DATA_DPF_CONVERT_V3_H

#include "data/blowfish.h"

namespace dpf {

// Converts the version 3 package at `path`. The new package's descriptor (read-write), or -1.
// On failure the version 3 file is untouched and the temporary file is removed.
int ConvertVersion3(const BlowfishState& headerCipher, const char* path);

} // namespace dpf

#endif
