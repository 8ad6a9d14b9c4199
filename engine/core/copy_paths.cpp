// Copy paths: the nineteen memory copy routines, the process-wide copy path and its selection.
//
// All routines copy forward and byte-exact; they differ only in block size, prefetching and the
// kind of stores. The mixed paths pick one of two routines by the byte count, because the block
// copy with its set-up only pays off for long rows. On builds for other processors than x86-64
// every path copies with memcpy.
#include "core/copy_paths.h"

#include <cstdint>
#include <cstring>

#include "Nimbrel.h"

#if defined(__x86_64__)
#include <emmintrin.h>
#include <mmintrin.h>
#include <xmmintrin.h>
#endif

namespace {

// ---- The normal path ----------------------------------------------------------------------------

void* CopyNormal(void* destination, const void* source, Uint32 count) {
    if (count) std::memcpy(destination, source, count);
    return destination;
}

// The bytes after a routine's last whole block.
inline void CopyRemainder(Uint8* destination, const Uint8* source, Uint32 count) {
    if (count) std::memcpy(destination, source, count);
}

#if defined(__x86_64__)

// ---- Building blocks ----------------------------------------------------------------------------

// Pixel rows start anywhere, so every 8-byte and 4-byte access is unaligned.
typedef __m64 UnalignedQuad __attribute__((aligned(1), may_alias));
typedef Uint32 UnalignedWord __attribute__((aligned(1), may_alias));

#define COPY_TARGET __attribute__((target("mmx,sse2")))

COPY_TARGET inline __m64 LoadQuad(const Uint8* p) { return *reinterpret_cast<const UnalignedQuad*>(p); }

COPY_TARGET inline void StoreQuad(Uint8* p, __m64 value) { *reinterpret_cast<UnalignedQuad*>(p) = value; }

// A non-temporal store: the destination (usually the screen) is not pulled into the cache.
COPY_TARGET inline void StreamQuad(Uint8* p, __m64 value) { _mm_stream_pi(reinterpret_cast<__m64*>(p), value); }

// Prefetch never faults, so the address may lie past the end of the source; it is computed as an
// integer because such a pointer may not even be formed.
COPY_TARGET inline void PrefetchAhead(const Uint8* p, uintptr_t distance) {
    _mm_prefetch(reinterpret_cast<const char*>(reinterpret_cast<uintptr_t>(p) + distance), _MM_HINT_NTA);
}

// Eight loads into eight registers, then eight stores of the chosen kind.
COPY_TARGET inline void CopyBlock64Ordinary(Uint8* d, const Uint8* s) {
    __m64 r0 = LoadQuad(s), r1 = LoadQuad(s + 8), r2 = LoadQuad(s + 16), r3 = LoadQuad(s + 24);
    __m64 r4 = LoadQuad(s + 32), r5 = LoadQuad(s + 40), r6 = LoadQuad(s + 48), r7 = LoadQuad(s + 56);
    StoreQuad(d, r0), StoreQuad(d + 8, r1), StoreQuad(d + 16, r2), StoreQuad(d + 24, r3);
    StoreQuad(d + 32, r4), StoreQuad(d + 40, r5), StoreQuad(d + 48, r6), StoreQuad(d + 56, r7);
}

COPY_TARGET inline void CopyBlock64Streaming(Uint8* d, const Uint8* s) {
    __m64 r0 = LoadQuad(s), r1 = LoadQuad(s + 8), r2 = LoadQuad(s + 16), r3 = LoadQuad(s + 24);
    __m64 r4 = LoadQuad(s + 32), r5 = LoadQuad(s + 40), r6 = LoadQuad(s + 48), r7 = LoadQuad(s + 56);
    StreamQuad(d, r0), StreamQuad(d + 8, r1), StreamQuad(d + 16, r2), StreamQuad(d + 24, r3);
    StreamQuad(d + 32, r4), StreamQuad(d + 40, r5), StreamQuad(d + 48, r6), StreamQuad(d + 56, r7);
}

// Four rounds of two loads and two ordinary stores.
COPY_TARGET inline void CopyBlock64InPairs(Uint8* d, const Uint8* s) {
    for (int offset = 0; offset < 64; offset += 16) {
        __m64 a = LoadQuad(s + offset), b = LoadQuad(s + offset + 8);
        StoreQuad(d + offset, a), StoreQuad(d + offset + 8, b);
    }
}

// Each load directly followed by its non-temporal store.
COPY_TARGET inline void CopyBlock64Interleaved(Uint8* d, const Uint8* s) {
    for (int offset = 0; offset < 64; offset += 8) StreamQuad(d + offset, LoadQuad(s + offset));
}

// ---- Single-routine paths -----------------------------------------------------------------------

COPY_TARGET void* CopyMmx32(void* destination, const void* source, Uint32 count) {
    Uint8* d = static_cast<Uint8*>(destination);
    const Uint8* s = static_cast<const Uint8*>(source);
    for (Uint32 block = count / 32; block > 0; --block, d += 32, s += 32) {
        __m64 a = LoadQuad(s), b = LoadQuad(s + 8);
        StoreQuad(d, a), StoreQuad(d + 8, b);
        a = LoadQuad(s + 16), b = LoadQuad(s + 24);
        StoreQuad(d + 16, a), StoreQuad(d + 24, b);
    }
    _mm_empty();
    CopyRemainder(d, s, count % 32);
    return destination;
}

COPY_TARGET void* CopyMmx64(void* destination, const void* source, Uint32 count) {
    Uint8* d = static_cast<Uint8*>(destination);
    const Uint8* s = static_cast<const Uint8*>(source);
    for (Uint32 block = count / 64; block > 0; --block, d += 64, s += 64) CopyBlock64Ordinary(d, s);
    _mm_empty();
    CopyRemainder(d, s, count % 64);
    return destination;
}

// The store fence makes the non-temporal stores visible to every other agent (the display, another
// thread) before the caller goes on; without it they may linger in write-combining buffers.
COPY_TARGET void* CopyMmx64Streaming(void* destination, const void* source, Uint32 count) {
    Uint8* d = static_cast<Uint8*>(destination);
    const Uint8* s = static_cast<const Uint8*>(source);
    for (Uint32 block = count / 64; block > 0; --block, d += 64, s += 64) CopyBlock64Streaming(d, s);
    _mm_empty();
    _mm_sfence();
    CopyRemainder(d, s, count % 64);
    return destination;
}

COPY_TARGET void* CopyMmx64StreamingNearPrefetch(void* destination, const void* source, Uint32 count) {
    Uint8* d = static_cast<Uint8*>(destination);
    const Uint8* s = static_cast<const Uint8*>(source);
    for (Uint32 block = count / 64; block > 0; --block, d += 64, s += 64) {
        PrefetchAhead(s, 64);
        PrefetchAhead(s, 96);
        CopyBlock64Streaming(d, s);
    }
    _mm_empty();
    _mm_sfence();
    CopyRemainder(d, s, count % 64);
    return destination;
}

COPY_TARGET void* CopyMmx64FarPrefetch(void* destination, const void* source, Uint32 count) {
    Uint8* d = static_cast<Uint8*>(destination);
    const Uint8* s = static_cast<const Uint8*>(source);
    for (Uint32 block = count / 64; block > 0; --block, d += 64, s += 64) {
        PrefetchAhead(s, 512);
        CopyBlock64InPairs(d, s);
    }
    _mm_empty();
    CopyRemainder(d, s, count % 64);
    return destination;
}

COPY_TARGET void* CopySse2(void* destination, const void* source, Uint32 count) {
    Uint8* d = static_cast<Uint8*>(destination);
    const Uint8* s = static_cast<const Uint8*>(source);
    for (Uint32 block = count / 16; block > 0; --block, d += 16, s += 16)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_loadu_si128(reinterpret_cast<const __m128i*>(s)));
    CopyRemainder(d, s, count % 16);
    return destination;
}

// ---- The K7 block copy --------------------------------------------------------------------------

const Uint32 kBlockBytes = 64;
const Uint32 kInCacheBlockLimit = 1024;   // below 64 KiB: ordinary stores
const Uint32 kStreamingBlockLimit = 8192; // below 512 KiB: per-block streaming
const Uint32 kChunkBlocks = 128;          // 8 KiB read into the cache before it is copied
const uintptr_t kBlockPrefetchDistance = 568;

// Below 64 KiB the destination stays in the cache: ordinary stores.
COPY_TARGET void K7CopyInCache(Uint8*& d, const Uint8*& s, Uint32 blocks) {
    for (; blocks > 0; --blocks, d += kBlockBytes, s += kBlockBytes) {
        PrefetchAhead(s, kBlockPrefetchDistance);
        CopyBlock64InPairs(d, s);
    }
}

COPY_TARGET void K7CopyStreaming(Uint8*& d, const Uint8*& s, Uint32 blocks) {
    for (; blocks > 0; --blocks, d += kBlockBytes, s += kBlockBytes) {
        PrefetchAhead(s, kBlockPrefetchDistance);
        CopyBlock64Interleaved(d, s);
    }
}

// Reads one word of every cache line of the chunk, from its end to its start, so that the whole
// chunk is in the cache before the copy streams it out.
COPY_TARGET void K7TouchChunk(const Uint8* s) {
    Uint32 sum = 0;
    for (Uint32 line = kChunkBlocks; line >= 2; line -= 2) {
        sum += *reinterpret_cast<const UnalignedWord*>(s + (line - 1) * kBlockBytes);
        sum += *reinterpret_cast<const UnalignedWord*>(s + (line - 2) * kBlockBytes);
    }
    volatile Uint32 keepReads = sum;
    (void)keepReads;
}

COPY_TARGET void K7CopyChunked(Uint8*& d, const Uint8*& s, Uint32 blocks) {
    for (; blocks >= kChunkBlocks; blocks -= kChunkBlocks) {
        K7TouchChunk(s);
        for (Uint32 block = 0; block < kChunkBlocks; ++block, d += kBlockBytes, s += kBlockBytes)
            CopyBlock64Streaming(d, s);
    }
    K7CopyStreaming(d, s, blocks);
}

COPY_TARGET void* CopyK7(void* destination, const void* source, Uint32 count) {
    Uint8* d = static_cast<Uint8*>(destination);
    const Uint8* s = static_cast<const Uint8*>(source);
    Uint32 n = count;

    if (n >= kBlockBytes) {
        // Aligning the destination is skipped for 32 KiB < n <= 64 KiB, where it was measured not
        // to pay.
        if (!(n > 32768 && n <= 65536)) {
            Uint32 leading = static_cast<Uint32>((8 - (reinterpret_cast<uintptr_t>(d) & 7)) & 7);
            for (Uint32 i = 0; i < leading; ++i) *d++ = *s++;
            n -= leading;
        }
        Uint32 blocks = n / kBlockBytes;
        if (blocks < kInCacheBlockLimit)
            K7CopyInCache(d, s, blocks);
        else if (blocks < kStreamingBlockLimit)
            K7CopyStreaming(d, s, blocks);
        else
            K7CopyChunked(d, s, blocks);
        n %= kBlockBytes;
    }

    // Tail: whole words, then single bytes.
    for (Uint32 word = (n / 4) % 16; word > 0; --word, d += 4, s += 4)
        *reinterpret_cast<UnalignedWord*>(d) = *reinterpret_cast<const UnalignedWord*>(s);
    for (Uint32 byte = n % 4; byte > 0; --byte) *d++ = *s++;
    _mm_empty();
    _mm_sfence();
    return destination;
}

#undef COPY_TARGET

#else // not x86-64: the same selection table, every routine copies with memcpy

void* CopyMmx32(void* d, const void* s, Uint32 n) { return CopyNormal(d, s, n); }
void* CopyMmx64(void* d, const void* s, Uint32 n) { return CopyNormal(d, s, n); }
void* CopyMmx64Streaming(void* d, const void* s, Uint32 n) { return CopyNormal(d, s, n); }
void* CopyMmx64StreamingNearPrefetch(void* d, const void* s, Uint32 n) { return CopyNormal(d, s, n); }
void* CopyMmx64FarPrefetch(void* d, const void* s, Uint32 n) { return CopyNormal(d, s, n); }
void* CopySse2(void* d, const void* s, Uint32 n) { return CopyNormal(d, s, n); }
void* CopyK7(void* d, const void* s, Uint32 n) { return CopyNormal(d, s, n); }

#endif

// ---- Mixed paths --------------------------------------------------------------------------------
// Short rows skip the block copy's set-up.

void* CopyAthlon(void* d, const void* s, Uint32 n) { return n <= 1024 ? CopyMmx64(d, s, n) : CopyK7(d, s, n); }

void* CopyBanias(void* d, const void* s, Uint32 n) {
    return n < 1048576 ? CopyMmx64FarPrefetch(d, s, n) : CopyK7(d, s, n);
}

void* CopyDothan(void* d, const void* s, Uint32 n) {
    return n < 2097152 ? CopyMmx64FarPrefetch(d, s, n) : CopyK7(d, s, n);
}

void* CopyPentium4(void* d, const void* s, Uint32 n) { return n <= 512 ? CopyMmx64(d, s, n) : CopyK7(d, s, n); }

void* CopyPrescott(void* d, const void* s, Uint32 n) { return n <= 256 ? CopyMmx64(d, s, n) : CopyK7(d, s, n); }

// ---- The path table -----------------------------------------------------------------------------

// What a path's routines execute beyond plain integer code.
enum Instructions {
    kPlain,     // memcpy
    kMmx,       // MMX loads and stores
    kMmxStream, // MMX plus non-temporal stores, prefetch and the store fence
    kSse2,      // 16-byte unaligned loads and stores
};

struct CopyPath {
    int number;
    const char* name;
    CopyRoutine routine;
    Instructions needs;
};

const CopyPath kPaths[] = {
    {0, "normal", CopyNormal, kPlain},
    {1, "MMX-I", CopyMmx32, kMmx},
    {2, "MMX-II", CopyMmx64, kMmx},
    {3, "MMX-III", CopyMmx64Streaming, kMmxStream},
    {4, "MMX-IV", CopyMmx64StreamingNearPrefetch, kMmxStream},
    {5, "MMX-V", CopyMmx64FarPrefetch, kMmxStream},
    {6, "SSE-2", CopySse2, kSse2},
    {7, "K7", CopyK7, kMmxStream},
    {10, "Athlon", CopyAthlon, kMmxStream},
    {11, "AthlonXP", CopyAthlon, kMmxStream},
    {12, "Banias", CopyBanias, kMmxStream},
    {13, "Dothan", CopyDothan, kMmxStream},
    {14, "PentiumIII", CopyMmx64, kMmx},
    {15, "P4 Willamette", CopyPentium4, kMmxStream},
    {16, "P4 Northwood", CopyPentium4, kMmxStream},
    {17, "P4 Prescott", CopyPrescott, kMmxStream},
    {18, "P4 Prescott+", CopyPrescott, kMmxStream},
    {19, "Athlon64", CopyAthlon, kMmxStream},
    {20, "Core/Core2", CopyMmx32, kMmx},
};

const CopyPath* FindPath(int number) {
    for (const CopyPath& path : kPaths)
        if (path.number == number) return &path;
    return nullptr;
}

bool HasInstructions(Instructions needs, const ProcessorFeatures& features) {
#if defined(__x86_64__)
    switch (needs) {
    case kPlain: return true;
    case kMmx: return features.mmx;
    case kMmxStream: return features.mmx && (features.sse || features.mmxExt);
    case kSse2: return features.sse2;
    }
    return false;
#else
    (void)needs;
    (void)features;
    return true;
#endif
}

// ---- The copy path ------------------------------------------------------------------------------

// Written only on the main thread, during start-up and configuration reading.
CopyRoutine currentPath = CopyNormal;
int currentPathNumber = kCopyPathNormal;

bool AreasOverlap(uintptr_t a, Uint64 aBytes, uintptr_t b, Uint64 bBytes) {
    return a < b + bBytes && b < a + aBytes;
}

} // namespace

// ---- Selection ----------------------------------------------------------------------------------

bool SelectCopyPath(int number) {
    const CopyPath* path = FindPath(number);
    if (!path || !HasInstructions(path->needs, ReadProcessorReport().features)) return false;

    currentPath = path->routine;
    currentPathNumber = path->number;
    if (path->number == kCopyPathNormal)
        ILogSystem.Msg(2, " . Selected normal code path.\n");
    else
        ILogSystem.Msg(2, " . Selected '%s' optimized code path.\n", path->name);
    return true;
}

int CurrentCopyPathNumber() { return currentPathNumber; }

CopyRoutine CurrentCopyPath() { return currentPath; }

// ---- Row copy -----------------------------------------------------------------------------------

void CopyRows(void* destination, int destinationPitch, const void* source, int sourcePitch, Uint32 rowBytes,
              int rows) {
    if (!destination || !source || rows <= 0 || rowBytes == 0 || destinationPitch < 0 || sourcePitch < 0) return;

    Uint8* d = static_cast<Uint8*>(destination);
    const Uint8* s = static_cast<const Uint8*>(source);
    const Uint64 lastRow = static_cast<Uint64>(rows - 1);
    const Uint64 destinationSpan = lastRow * static_cast<Uint64>(destinationPitch) + rowBytes;
    const Uint64 sourceSpan = lastRow * static_cast<Uint64>(sourcePitch) + rowBytes;

    if (AreasOverlap(reinterpret_cast<uintptr_t>(d), destinationSpan, reinterpret_cast<uintptr_t>(s), sourceSpan)) {
        // Within one surface: the copy routines assume separate areas, so move row by row in the
        // order that reads every source row before it is overwritten.
        if (d > s) {
            for (int row = rows - 1; row >= 0; --row)
                std::memmove(d + static_cast<Uint64>(row) * destinationPitch,
                             s + static_cast<Uint64>(row) * sourcePitch, rowBytes);
        } else {
            for (int row = 0; row < rows; ++row)
                std::memmove(d + static_cast<Uint64>(row) * destinationPitch,
                             s + static_cast<Uint64>(row) * sourcePitch, rowBytes);
        }
        return;
    }

    const Uint64 blockBytes = static_cast<Uint64>(rows) * rowBytes;
    const bool packedRows = static_cast<Uint32>(destinationPitch) == rowBytes && static_cast<Uint32>(sourcePitch) == rowBytes;
    if (packedRows && blockBytes <= 0xFFFFFFFFu) {
        currentPath(d, s, static_cast<Uint32>(blockBytes));
        return;
    }
    for (int row = 0; row < rows; ++row, d += destinationPitch, s += sourcePitch) currentPath(d, s, rowBytes);
}

// ---- Inspection ---------------------------------------------------------------------------------

CopyRoutine CopyPathRoutine(int number) {
    const CopyPath* path = FindPath(number);
    return path ? path->routine : nullptr;
}

const char* CopyPathName(int number) {
    const CopyPath* path = FindPath(number);
    return path ? path->name : nullptr;
}

bool CopyPathRunsOn(int number, const ProcessorFeatures& features) {
    const CopyPath* path = FindPath(number);
    return path && HasInstructions(path->needs, features);
}
