// The copy routines: every path copies every count exactly, at every destination and source
// alignment, without writing a byte outside the destination or reading outside the source.
//
// Counts up to 600,000 run at all 64 alignment pairs. 9 MiB runs at nine pairs that still cover
// each destination and each source alignment, and the switching points of the mixed paths at two
// pairs: all 64 pairs at those sizes would take minutes under the sanitizers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "core/copy_paths.h"

namespace {

const int kPathNumbers[] = {0, 1, 2, 3, 4, 5, 6, 7, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20};

const Uint32 kMiB = 1024 * 1024;
const size_t kGuardBytes = 128; // a multiple of 16, so buffer alignment carries over
const Uint8 kGuardByte = 0xEE;

// A byte stream with no short period, so a block copied to the wrong place is always noticed.
const std::vector<Uint8>& Pattern() {
    static std::vector<Uint8> bytes = [] {
        std::vector<Uint8> data(9 * kMiB + 16);
        Uint32 state = 0x12345678u;
        for (Uint8& byte : data) {
            state ^= state << 13, state ^= state >> 17, state ^= state << 5;
            byte = static_cast<Uint8>(state >> 11);
        }
        return data;
    }();
    return bytes;
}

// Copies count bytes with the source and destination at the given offsets from 16-byte aligned
// addresses. The source buffer ends exactly with the copied bytes, so the sanitizer sees any read
// past them; the destination has guard bytes on both sides.
::testing::AssertionResult CopiesExactly(CopyRoutine routine, Uint32 count, size_t destinationOffset,
                                         size_t sourceOffset) {
    std::unique_ptr<Uint8[]> source(new Uint8[std::max<size_t>(sourceOffset + count, 1)]);
    std::memcpy(source.get() + sourceOffset, Pattern().data(), count);

    std::vector<Uint8> destination(kGuardBytes + destinationOffset + count + kGuardBytes, kGuardByte);
    Uint8* target = destination.data() + kGuardBytes + destinationOffset;
    routine(target, source.get() + sourceOffset, count);

    for (size_t i = 0; i < kGuardBytes + destinationOffset; ++i)
        if (destination[i] != kGuardByte)
            return ::testing::AssertionFailure() << "wrote " << (kGuardBytes + destinationOffset - i)
                                                 << " bytes before the destination";
    for (size_t i = kGuardBytes + destinationOffset + count; i < destination.size(); ++i)
        if (destination[i] != kGuardByte)
            return ::testing::AssertionFailure() << "wrote byte " << (i - kGuardBytes - destinationOffset - count)
                                                 << " after the destination";
    if (count && std::memcmp(target, Pattern().data(), count) != 0) {
        size_t first = 0;
        while (target[first] == Pattern()[first]) ++first;
        return ::testing::AssertionFailure() << "first wrong byte at " << first;
    }
    return ::testing::AssertionSuccess();
}

class CopyPath : public ::testing::TestWithParam<int> {
protected:
    CopyRoutine Routine() const { return CopyPathRoutine(GetParam()); }

    void CheckAt(Uint32 count, size_t destinationOffset, size_t sourceOffset) {
        EXPECT_TRUE(CopiesExactly(Routine(), count, destinationOffset, sourceOffset))
            << "path " << GetParam() << ", " << count << " bytes, destination +" << destinationOffset
            << ", source +" << sourceOffset;
    }
};

} // namespace

// 40,000 and 65,536 bytes: the block copy's unaligned middle range and its first streaming size.
TEST_P(CopyPath, SmallCountsAtEveryAlignment) {
    ASSERT_NE(Routine(), nullptr);
    for (Uint32 count : {0u, 1u, 63u, 64u, 65u, 1000u, 40000u, 65536u, 70000u})
        for (size_t destinationOffset = 0; destinationOffset < 8; ++destinationOffset)
            for (size_t sourceOffset = 0; sourceOffset < 8; ++sourceOffset)
                CheckAt(count, destinationOffset, sourceOffset);
}

TEST_P(CopyPath, LargeCounts) {
    ASSERT_NE(Routine(), nullptr);
    for (size_t destinationOffset = 0; destinationOffset < 8; ++destinationOffset)
        for (size_t sourceOffset = 0; sourceOffset < 8; ++sourceOffset) CheckAt(600000, destinationOffset, sourceOffset);
    CheckAt(9 * kMiB, 0, 0);
    for (size_t destinationOffset = 0; destinationOffset < 8; ++destinationOffset)
        CheckAt(9 * kMiB, destinationOffset, (destinationOffset * 3 + 1) % 8);
}

// Both sides of every switching point of the mixed paths and of the block copy's size classes.
TEST_P(CopyPath, SwitchingCounts) {
    ASSERT_NE(Routine(), nullptr);
    for (Uint32 count : {255u, 256u, 257u, 511u, 512u, 513u, 1023u, 1024u, 1025u, 32768u, 32769u, 65537u,
                         524287u, 524288u + 64u * 127u + 5u, kMiB - 1, kMiB, 2 * kMiB - 1, 2 * kMiB}) {
        CheckAt(count, 0, 0);
        CheckAt(count, 5, 2);
    }
}

INSTANTIATE_TEST_SUITE_P(AllPaths, CopyPath, ::testing::ValuesIn(kPathNumbers));
