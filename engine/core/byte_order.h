// Little-endian numbers in the engine's file formats (packages, payloads, the cipher's blocks),
// read and written byte by byte, so neither the host's byte order nor the field's alignment
// matters. Inline: the cipher calls them for every 8 bytes it touches.
#ifndef NIMBREL_CORE_BYTE_ORDER_H
#define NIMBREL_CORE_BYTE_ORDER_H

#include <SDL.h>

inline Uint32 ReadLittle32(const Uint8* bytes) {
    return Uint32(bytes[0]) | Uint32(bytes[1]) << 8 | Uint32(bytes[2]) << 16 | Uint32(bytes[3]) << 24;
}

inline Uint16 ReadLittle16(const Uint8* bytes) { return Uint16(bytes[0] | bytes[1] << 8); }

inline void WriteLittle16(Uint8* bytes, Uint16 value) {
    bytes[0] = Uint8(value);
    bytes[1] = Uint8(value >> 8);
}

inline void WriteLittle32(Uint8* bytes, Uint32 value) {
    bytes[0] = Uint8(value);
    bytes[1] = Uint8(value >> 8);
    bytes[2] = Uint8(value >> 16);
    bytes[3] = Uint8(value >> 24);
}

#endif
