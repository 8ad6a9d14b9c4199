// The "BUT" block payload: a button's descriptor as packages store it. Bytes and plain values
// only, so IButton builds on checked data and a fuzzer reaches every line.
//
// 24 bytes, little-endian; longer blocks have their extra bytes ignored:
//   offset  size  field
//   0       4     callback: meaningless in a block, never read
//   4       2     associated SDL key code, 0 for none
//   6       1     type code
//   7       1     unused
//   8       4     select-box colour 0x00RRGGBB (0xFFFFFFFF is refused by IButton)
//   12      2     x, signed
//   14      2     y, signed
//   16      2     range (slider, progress bar) or vertical text margin (input box), signed
//   18      2     unused
//   20      4     value (slider, progress bar) or horizontal text margin (input box), signed
#ifndef NIMBREL_DATA_BUTTON_PAYLOAD_H
#define NIMBREL_DATA_BUTTON_PAYLOAD_H

#include <SDL.h>

#include <vector>

namespace but {

const Uint32 kPayloadSize = 24;

// What a block says about a button. Nothing is judged here beyond the size: the types and the
// colour are IButton->Create's to refuse, with its own messages.
struct ButtonRecord {
    Uint16 key = 0;
    Uint8 type = 0;
    Uint32 colour = 0;
    Sint16 x = 0, y = 0;
    Sint16 range = 0;
    Sint32 value = 0;
};

// Reads a payload of `size` bytes. False, with the reason in `problem` (which may be null), when
// it is shorter than 24 bytes.
bool ParseButton(const Uint8* data, Uint64 size, ButtonRecord* record, const char** problem);

// The 24-byte payload of a record; the callback and unused bytes are zero.
std::vector<Uint8> BuildButton(const ButtonRecord& record);

} // namespace but

#endif
