// Copy paths: the nineteen memory copy routines, the process-wide copy path and its selection.
//
// All routines copy forward and byte-exact; they differ only in block size, prefetching and the
// kind of stores. The mixed paths pick one of two routines by the byte count, because the block
// copy with its set-up only pays off for long rows. Each routine runs its own instruction sequence
// only at the counts where that was measured to beat the C library's memcpy, and hands every other
// count to memcpy. On builds for other processors than x86-64 every path copies with memcpy.
#include "core/copy_paths.h"

#include <algorithm>
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

// Returning memcpy's own result lets the call become a jump, and the expected branch leaves the
// way to it without a taken branch: at 64 bytes memcpy itself takes only two or three nanoseconds.
void* CopyNormal(void* destination, const void* source, Uint32 count) {
    if (__builtin_expect(count == 0, 0)) return destination;
    return std::memcpy(destination, source, count);
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

// ---- Where each sequence runs ------------------------------------------------------------------

// The instruction sequences the paths are built from.
enum class Sequence { kLibrary, kMmx32, kMmx64, kMmx64Streaming, kMmx64NearPrefetch, kMmx64FarPrefetch, kSse2, kK7 };

const Uint32 kMiB = 1024 * 1024;
const Uint64 kNoLimit = Uint64(1) << 32; // past the largest count

// The counts [from, below) at which a sequence beats memcpy; every other count goes to memcpy.
struct OwnRange {
    Sequence sequence;
    Uint32 from;
    Uint64 below;
};

// Measured on this development machine ("AMD EPYC" in /proc/cpuinfo: 2 cores, 1 MiB second-level
// cache each, 32 MiB shared last-level cache; Debian 12's glibc 2.36 memcpy) with
// `copy_bench --sweep` and repeated runs around each crossover. Other work on the machine moves
// the crossovers, so each range is where the sequence won in nearly every run:
//   - SSE-2: one or two 16-byte moves beat memcpy's dispatch, 0.54-0.96 of its time at 16 to 32
//     bytes; from 33 bytes the sequence mostly ties or loses, by up to 1.2 below 64 bytes and
//     1.5 to 4 from 80 bytes on.
//   - MMX-I: exactly one 32-byte block, 0.75; with any tail it ties or loses, by up to 1.3.
//   - MMX-III and MMX-IV: non-temporal stores beat memcpy's cached stores, 0.7-0.95, from 8 MiB,
//     where source and destination no longer fit the last-level cache together, up to 24 MiB,
//     where memcpy streams too. Under load they won from as low as 1 MiB and up to 48 MiB; on a
//     quiet machine they lost by up to 1.3 at 4 to 6 MiB, and beyond 24 MiB they tie or lose by up
//     to 1.4.
//   - Everything else loses at every count, by 2 to 5 times between 1 KiB and 512 KiB; the K7
//     block copy still by 1.1 to 2.4 times at 8 to 64 MiB.
// A processor of another kind needs them measured again.
constexpr OwnRange kOwnRanges[] = {
    {Sequence::kLibrary, 0, 0},
    {Sequence::kMmx32, 32, 33},
    {Sequence::kMmx64, 0, 0},
    {Sequence::kMmx64Streaming, 8 * kMiB, 24 * kMiB},
    {Sequence::kMmx64NearPrefetch, 8 * kMiB, 24 * kMiB},
    {Sequence::kMmx64FarPrefetch, 0, 0},
    {Sequence::kSse2, 16, 33},
    {Sequence::kK7, 0, 0},
};

constexpr const OwnRange& OwnRangeOf(Sequence sequence) { return kOwnRanges[static_cast<int>(sequence)]; }

constexpr bool RangesInSequenceOrder() {
    for (int i = 0; i < static_cast<int>(sizeof kOwnRanges / sizeof kOwnRanges[0]); ++i)
        if (static_cast<int>(kOwnRanges[i].sequence) != i) return false;
    return true;
}
static_assert(RangesInSequenceOrder(), "kOwnRanges is indexed by Sequence");

constexpr bool Owns(const OwnRange& range, Uint32 count) {
    // One unsigned comparison: counts below `from` wrap around to far past the range.
    return static_cast<Uint64>(count) - range.from < range.below - range.from;
}

template <Sequence S> void* RunSequence(void* d, const void* s, Uint32 n) {
    switch (S) {
    case Sequence::kLibrary: return CopyNormal(d, s, n);
    case Sequence::kMmx32: return CopyMmx32(d, s, n);
    case Sequence::kMmx64: return CopyMmx64(d, s, n);
    case Sequence::kMmx64Streaming: return CopyMmx64Streaming(d, s, n);
    case Sequence::kMmx64NearPrefetch: return CopyMmx64StreamingNearPrefetch(d, s, n);
    case Sequence::kMmx64FarPrefetch: return CopyMmx64FarPrefetch(d, s, n);
    case Sequence::kSse2: return CopySse2(d, s, n);
    case Sequence::kK7: return CopyK7(d, s, n);
    }
    return d;
}

// Without the hand-off the sequence runs at every count: that is what the ranges are measured on.
// The hand-off is the expected branch: memcpy is the faster copy at the short counts where a taken
// branch shows, while the ranges a sequence owns are narrow or long.
template <Sequence S, bool kHandOff> inline void* CopyWith(void* d, const void* s, Uint32 n) {
    if (kHandOff && __builtin_expect(!Owns(OwnRangeOf(S), n), 1)) return CopyNormal(d, s, n);
    return RunSequence<S>(d, s, n);
}

// ---- Routes -------------------------------------------------------------------------------------

// A path sends counts below `switchAt` to one sequence and the rest to another; a single-routine
// path has the same sequence on both sides.
struct Route {
    Sequence below;
    Uint32 switchAt;
    Sequence from;
};

template <const Route& R, bool kHandOff> void* CopyRouted(void* d, const void* s, Uint32 n) {
    if constexpr (R.below != R.from) {
        if (n < R.switchAt) return CopyWith<R.below, kHandOff>(d, s, n);
    }
    return CopyWith<R.from, kHandOff>(d, s, n);
}

constexpr Route kNormalRoute{Sequence::kLibrary, 0, Sequence::kLibrary};
constexpr Route kMmx32Route{Sequence::kMmx32, 0, Sequence::kMmx32};
constexpr Route kMmx64Route{Sequence::kMmx64, 0, Sequence::kMmx64};
constexpr Route kStreamingRoute{Sequence::kMmx64Streaming, 0, Sequence::kMmx64Streaming};
constexpr Route kNearPrefetchRoute{Sequence::kMmx64NearPrefetch, 0, Sequence::kMmx64NearPrefetch};
constexpr Route kFarPrefetchRoute{Sequence::kMmx64FarPrefetch, 0, Sequence::kMmx64FarPrefetch};
constexpr Route kSse2Route{Sequence::kSse2, 0, Sequence::kSse2};
constexpr Route kK7Route{Sequence::kK7, 0, Sequence::kK7};

// Mixed paths: short rows skip the block copy's set-up; `switchAt` is the first count it takes.
constexpr Route kAthlonRoute{Sequence::kMmx64, 1025, Sequence::kK7};
constexpr Route kBaniasRoute{Sequence::kMmx64FarPrefetch, 1048576, Sequence::kK7};
constexpr Route kDothanRoute{Sequence::kMmx64FarPrefetch, 2097152, Sequence::kK7};
constexpr Route kPentium4Route{Sequence::kMmx64, 513, Sequence::kK7};
constexpr Route kPrescottRoute{Sequence::kMmx64, 257, Sequence::kK7};

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
    const Route* route;
    CopyRoutine routine;   // with the hand-off to memcpy
    CopyRoutine sequences; // the route's sequences at every count
    Instructions needs;
};

constexpr bool OwnsAny(Sequence sequence) { return OwnRangeOf(sequence).from < OwnRangeOf(sequence).below; }

// A route that never runs its own sequences is memcpy itself, without even a comparison in front:
// at 64 bytes every instruction before memcpy shows.
template <const Route& R> constexpr CopyRoutine HandingOff() {
    return OwnsAny(R.below) || OwnsAny(R.from) ? CopyRouted<R, true> : CopyNormal;
}

template <const Route& R> constexpr CopyPath MakePath(int number, const char* name, Instructions needs) {
    return {number, name, &R, HandingOff<R>(), CopyRouted<R, false>, needs};
}

constexpr CopyPath kPaths[] = {
    MakePath<kNormalRoute>(0, "normal", kPlain),
    MakePath<kMmx32Route>(1, "MMX-I", kMmx),
    MakePath<kMmx64Route>(2, "MMX-II", kMmx),
    MakePath<kStreamingRoute>(3, "MMX-III", kMmxStream),
    MakePath<kNearPrefetchRoute>(4, "MMX-IV", kMmxStream),
    MakePath<kFarPrefetchRoute>(5, "MMX-V", kMmxStream),
    MakePath<kSse2Route>(6, "SSE-2", kSse2),
    MakePath<kK7Route>(7, "K7", kMmxStream),
    MakePath<kAthlonRoute>(10, "Athlon", kMmxStream),
    MakePath<kAthlonRoute>(11, "AthlonXP", kMmxStream),
    MakePath<kBaniasRoute>(12, "Banias", kMmxStream),
    MakePath<kDothanRoute>(13, "Dothan", kMmxStream),
    MakePath<kMmx64Route>(14, "PentiumIII", kMmx),
    MakePath<kPentium4Route>(15, "P4 Willamette", kMmxStream),
    MakePath<kPentium4Route>(16, "P4 Northwood", kMmxStream),
    MakePath<kPrescottRoute>(17, "P4 Prescott", kMmxStream),
    MakePath<kPrescottRoute>(18, "P4 Prescott+", kMmxStream),
    MakePath<kAthlonRoute>(19, "Athlon64", kMmxStream),
    MakePath<kMmx32Route>(20, "Core/Core2", kMmx),
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

CopyRoutine CopyPathSequences(int number) {
    const CopyPath* path = FindPath(number);
    return path ? path->sequences : nullptr;
}

std::vector<Uint32> CopyPathSwitchingCounts(int number) {
    std::vector<Uint32> counts;
    const CopyPath* path = FindPath(number);
    if (!path) return counts;

    // The ends of a sequence's own range that fall inside the counts [low, high) routed to it.
    auto addRangeEnds = [&counts](Sequence sequence, Uint64 low, Uint64 high) {
        const OwnRange& range = OwnRangeOf(sequence);
        if (range.from >= range.below) return;
        for (Uint64 end : {static_cast<Uint64>(range.from), range.below})
            if (end > low && end < high) counts.push_back(static_cast<Uint32>(end));
    };
    const Route& route = *path->route;
    if (route.below != route.from) {
        addRangeEnds(route.below, 0, route.switchAt);
        counts.push_back(route.switchAt);
        addRangeEnds(route.from, route.switchAt, kNoLimit);
    } else {
        addRangeEnds(route.from, 0, kNoLimit);
    }
    std::sort(counts.begin(), counts.end());
    counts.erase(std::unique(counts.begin(), counts.end()), counts.end());
    return counts;
}
