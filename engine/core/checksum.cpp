// The package checksum (see checksum.h).
#include "core/checksum.h"

#include <zlib.h>

#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define NIMBREL_HAVE_CLMUL_PATH 1
#endif

namespace {

// zlib takes at most a uInt per call.
Uint32 ZlibUpdate(Uint32 crc, const Uint8* data, size_t length) {
    while (length > 0) {
        uInt piece = length > 0x40000000u ? 0x40000000u : static_cast<uInt>(length);
        crc = static_cast<Uint32>(crc32(crc, data, piece));
        data += piece;
        length -= piece;
    }
    return crc;
}

#if NIMBREL_HAVE_CLMUL_PATH

// Folding constants for the reflected polynomial: x^(4*128+32), x^(4*128-32), x^(128+32),
// x^(128-32), x^64 mod P, then P itself and the Barrett constant.
alignas(16) const uint64_t kFold4[2] = {0x0154442bd4ull, 0x01c6e41596ull};
alignas(16) const uint64_t kFold1[2] = {0x01751997d0ull, 0x00ccaa009eull};
alignas(16) const uint64_t kFold64[2] = {0x0163cd6124ull, 0x0000000000ull};
alignas(16) const uint64_t kBarrett[2] = {0x01db710641ull, 0x01f7011641ull};

// `length` is at least 64 and a multiple of 16. Works on the raw (not complemented) register.
__attribute__((target("pclmul,sse4.1"))) Uint32 FoldRaw(Uint32 raw, const Uint8* data, size_t length) {
    __m128i x1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 0x00));
    __m128i x2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 0x10));
    __m128i x3 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 0x20));
    __m128i x4 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 0x30));
    x1 = _mm_xor_si128(x1, _mm_cvtsi32_si128(static_cast<int>(raw)));
    __m128i k = _mm_load_si128(reinterpret_cast<const __m128i*>(kFold4));
    data += 64;
    length -= 64;

    // Four lanes of 128 bits, each folded forward by 512 bits per step.
    while (length >= 64) {
        __m128i x5 = _mm_clmulepi64_si128(x1, k, 0x00);
        __m128i x6 = _mm_clmulepi64_si128(x2, k, 0x00);
        __m128i x7 = _mm_clmulepi64_si128(x3, k, 0x00);
        __m128i x8 = _mm_clmulepi64_si128(x4, k, 0x00);
        x1 = _mm_clmulepi64_si128(x1, k, 0x11);
        x2 = _mm_clmulepi64_si128(x2, k, 0x11);
        x3 = _mm_clmulepi64_si128(x3, k, 0x11);
        x4 = _mm_clmulepi64_si128(x4, k, 0x11);
        x1 = _mm_xor_si128(_mm_xor_si128(x1, x5), _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 0x00)));
        x2 = _mm_xor_si128(_mm_xor_si128(x2, x6), _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 0x10)));
        x3 = _mm_xor_si128(_mm_xor_si128(x3, x7), _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 0x20)));
        x4 = _mm_xor_si128(_mm_xor_si128(x4, x8), _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 0x30)));
        data += 64;
        length -= 64;
    }

    // The four lanes into one.
    k = _mm_load_si128(reinterpret_cast<const __m128i*>(kFold1));
    __m128i x5 = _mm_clmulepi64_si128(x1, k, 0x00);
    x1 = _mm_clmulepi64_si128(x1, k, 0x11);
    x1 = _mm_xor_si128(_mm_xor_si128(x1, x2), x5);
    x5 = _mm_clmulepi64_si128(x1, k, 0x00);
    x1 = _mm_clmulepi64_si128(x1, k, 0x11);
    x1 = _mm_xor_si128(_mm_xor_si128(x1, x3), x5);
    x5 = _mm_clmulepi64_si128(x1, k, 0x00);
    x1 = _mm_clmulepi64_si128(x1, k, 0x11);
    x1 = _mm_xor_si128(_mm_xor_si128(x1, x4), x5);

    while (length >= 16) {
        x2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data));
        x5 = _mm_clmulepi64_si128(x1, k, 0x00);
        x1 = _mm_clmulepi64_si128(x1, k, 0x11);
        x1 = _mm_xor_si128(_mm_xor_si128(x1, x2), x5);
        data += 16;
        length -= 16;
    }

    // 128 bits down to 64, then Barrett reduction to 32.
    x2 = _mm_clmulepi64_si128(x1, k, 0x10);
    __m128i low32 = _mm_setr_epi32(~0, 0, ~0, 0);
    x1 = _mm_srli_si128(x1, 8);
    x1 = _mm_xor_si128(x1, x2);
    k = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(kFold64));
    x2 = _mm_srli_si128(x1, 4);
    x1 = _mm_and_si128(x1, low32);
    x1 = _mm_clmulepi64_si128(x1, k, 0x00);
    x1 = _mm_xor_si128(x1, x2);

    k = _mm_load_si128(reinterpret_cast<const __m128i*>(kBarrett));
    x2 = _mm_and_si128(x1, low32);
    x2 = _mm_clmulepi64_si128(x2, k, 0x10);
    x2 = _mm_and_si128(x2, low32);
    x2 = _mm_clmulepi64_si128(x2, k, 0x00);
    x1 = _mm_xor_si128(x1, x2);
    return static_cast<Uint32>(_mm_extract_epi32(x1, 1));
}

bool HaveCarrylessMultiply() {
    static const bool have = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    return have;
}

#endif

} // namespace

Uint32 ChecksumUpdate(Uint32 crc, const void* data, size_t length) {
    const Uint8* bytes = static_cast<const Uint8*>(data);
#if NIMBREL_HAVE_CLMUL_PATH
    if (length >= 256 && HaveCarrylessMultiply()) {
        size_t bulk = length & ~static_cast<size_t>(15);
        crc = ~FoldRaw(~crc, bytes, bulk);
        bytes += bulk;
        length -= bulk;
    }
#endif
    return ZlibUpdate(crc, bytes, length);
}

Uint32 ChecksumAfterPatch(Uint32 crc, const void* oldBytes, const void* newBytes, size_t length,
                          uint64_t bytesAfter) {
    // The CRC is affine: for messages of equal length, crc(a) ^ crc(b) depends only on a ^ b,
    // and trailing bytes shift that difference as zlib's combine does.
    const Uint8* before = static_cast<const Uint8*>(oldBytes);
    const Uint8* after = static_cast<const Uint8*>(newBytes);
    std::vector<Uint8> difference(length), zeros(length, 0);
    for (size_t i = 0; i < length; ++i) difference[i] = before[i] ^ after[i];
    Uint32 linear = ChecksumUpdate(0, difference.data(), length) ^ ChecksumUpdate(0, zeros.data(), length);
    Uint32 shifted = static_cast<Uint32>(crc32_combine64(linear, 0, static_cast<z_off64_t>(bytesAfter)));
    return crc ^ shifted;
}
