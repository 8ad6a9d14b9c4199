// The block cipher of DPF packages: 64-bit blocks, 16 rounds, keyed S-boxes, used in ECB mode.
//
// Blocks are read as two little-endian 32-bit words (left half first). The key schedule differs
// from the textbook one in one way that stored packages depend on: each key byte is sign-extended
// before it is merged into the word being built, so a byte of 0x80 or more sets every higher bit
// of that word.
#ifndef NIMBREL_DATA_BLOWFISH_H
#define NIMBREL_DATA_BLOWFISH_H

#include <SDL.h>

#include <cstddef>

struct BlowfishState {
    Uint32 p[18];
    Uint32 s[4][256];
};

// Keys the state from `length` key bytes (1 or more; reused cyclically).
void BlowfishSetKey(BlowfishState* state, const Uint8* key, size_t length);

// Enciphers or deciphers `length` bytes in place; `length` must be a multiple of 8 (a trailing
// partial block is left alone).
void BlowfishEncipher(const BlowfishState* state, void* data, size_t length);
void BlowfishDecipher(const BlowfishState* state, void* data, size_t length);

#endif
