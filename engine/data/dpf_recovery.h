// Recovering a package whose last change a crash cut short.
//
// A change is written in two steps: an append writes the block and then the header with the new
// checksum; a delete writes the header and then the marked block header. A process that dies in
// between leaves a header whose checksum describes the package before the append, or after the
// delete. Recovery finds that state and brings the file to it: it cuts off the unfinished block,
// or completes the marking. The header's checksum decides, so nothing is guessed.
#ifndef NIMBREL_DATA_DPF_RECOVERY_H
#define NIMBREL_DATA_DPF_RECOVERY_H

#include <SDL.h>

#include <cstdint>

#include "data/blowfish.h"

namespace dpf {

// Brings a package of `length` bytes whose blocks do not match its header's checksum
// (`storedChecksum`) back to the state the header describes. Block headers of a protected
// package can only be marked when its key is set (`headersReadable`; `cipher` is then the
// package's block cipher, else null). True, with the checksum of the repaired file in *checksum,
// when one interrupted change explains the mismatch and was undone or completed.
bool RecoverInterruptedChange(int fd, int64_t length, Uint32 storedChecksum, bool headersReadable,
                              const BlowfishState* cipher, Uint32* checksum);

} // namespace dpf

#endif
