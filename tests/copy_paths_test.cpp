// The copy routines: every path copies every count exactly, at every destination and source
// alignment, without writing a byte outside the destination or reading outside the source.
//
// Each path is checked twice: as selected, where it hands the counts its own sequences lose at to
// memcpy, and with its own sequences at every count, so that code stays right while this machine
// never runs it.
//
// Counts up to 600,000 run at all 64 alignment pairs. 9 MiB runs at nine pairs that still cover
// each destination and each source alignment, and the switching points at two pairs: all 64 pairs
// at those sizes would take minutes under the sanitizers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "core/copy_paths.h"

namespace {

const int kPathNumbers[] = {0, 1, 2, 3, 4, 5, 6, 7, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20};

const Uint32 kMiB = 1024 * 1024;
const size_t kGuardBytes = 128; // a multiple of 16, so buffer alignment carries over
const Uint8 kGuardByte = 0xEE;

// A byte stream with no short period, so a block copied to the wrong place is always noticed. It
// grows to the longest count asked for, so short tests do not pay for the longest one.
const Uint8* Pattern(size_t bytes) {
    static std::vector<Uint8> data;
    bytes = std::max<size_t>(bytes, 1); // never a null pointer, not even for no bytes
    if (data.size() < bytes) {
        data.resize(bytes);
        Uint32 state = 0x12345678u;
        for (Uint8& byte : data) {
            state ^= state << 13, state ^= state >> 17, state ^= state << 5;
            byte = static_cast<Uint8>(state >> 11);
        }
    }
    return data.data();
}

// Copies count bytes with the source and destination at the given offsets from 16-byte aligned
// addresses. The source buffer ends exactly with the copied bytes, so the sanitizer sees any read
// past them; the destination has guard bytes on both sides.
::testing::AssertionResult CopiesExactly(CopyRoutine routine, Uint32 count, size_t destinationOffset,
                                         size_t sourceOffset) {
    std::unique_ptr<Uint8[]> source(new Uint8[std::max<size_t>(sourceOffset + count, 1)]);
    const Uint8* pattern = Pattern(count);
    std::memcpy(source.get() + sourceOffset, pattern, count);

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
    if (count && std::memcmp(target, pattern, count) != 0) {
        size_t first = 0;
        while (target[first] == pattern[first]) ++first;
        return ::testing::AssertionFailure() << "first wrong byte at " << first;
    }
    return ::testing::AssertionSuccess();
}

class CopyPath : public ::testing::TestWithParam<int> {
protected:
    void CheckAt(Uint32 count, size_t destinationOffset, size_t sourceOffset) {
        const struct {
            CopyRoutine routine;
            const char* form;
        } forms[] = {{CopyPathRoutine(GetParam()), "as selected"}, {CopyPathSequences(GetParam()), "own sequences"}};
        for (const auto& form : forms) {
            // A path that is plain memcpy as selected is checked once, with path 0.
            if (form.routine == CopyPathRoutine(kCopyPathNormal) && GetParam() != kCopyPathNormal) continue;
            EXPECT_TRUE(CopiesExactly(form.routine, count, destinationOffset, sourceOffset))
                << "path " << GetParam() << " " << form.form << ", " << count << " bytes, destination +"
                << destinationOffset << ", source +" << sourceOffset;
        }
    }

    void SetUp() override {
        ASSERT_NE(CopyPathRoutine(GetParam()), nullptr);
        ASSERT_NE(CopyPathSequences(GetParam()), nullptr);
    }
};

} // namespace

// 40,000 and 65,536 bytes: the block copy's unaligned middle range and its first streaming size.
TEST_P(CopyPath, SmallCountsAtEveryAlignment) {
    for (Uint32 count : {0u, 1u, 63u, 64u, 65u, 1000u, 40000u, 65536u, 70000u})
        for (size_t destinationOffset = 0; destinationOffset < 8; ++destinationOffset)
            for (size_t sourceOffset = 0; sourceOffset < 8; ++sourceOffset)
                CheckAt(count, destinationOffset, sourceOffset);
}

TEST_P(CopyPath, LargeCounts) {
    for (size_t destinationOffset = 0; destinationOffset < 8; ++destinationOffset)
        for (size_t sourceOffset = 0; sourceOffset < 8; ++sourceOffset) CheckAt(600000, destinationOffset, sourceOffset);
    CheckAt(9 * kMiB, 0, 0);
    for (size_t destinationOffset = 0; destinationOffset < 8; ++destinationOffset)
        CheckAt(9 * kMiB, destinationOffset, (destinationOffset * 3 + 1) % 8);
}

// Both sides of every switching point of the mixed paths and of the block copy's size classes.
TEST_P(CopyPath, SwitchingCounts) {
    for (Uint32 count : {255u, 256u, 257u, 511u, 512u, 513u, 1023u, 1024u, 1025u, 32768u, 32769u, 65537u,
                         524287u, 524288u + 64u * 127u + 5u, kMiB - 1, kMiB, 2 * kMiB - 1, 2 * kMiB}) {
        CheckAt(count, 0, 0);
        CheckAt(count, 5, 2);
    }
}

// Both sides of every count at which the path, as built here, changes between memcpy and its own
// sequences or between its two routines; short counts at every alignment pair, as that costs
// little.
TEST_P(CopyPath, HandOffCounts) {
    const std::vector<Uint32> counts = CopyPathSwitchingCounts(GetParam());
    EXPECT_TRUE(std::adjacent_find(counts.begin(), counts.end(), std::greater_equal<Uint32>()) == counts.end())
        << "switching counts must ascend";
    for (Uint32 count : counts) {
        ASSERT_GT(count, 0u);
        for (Uint32 side : {count - 1, count}) {
            if (side > 65536) {
                CheckAt(side, 0, 0);
                CheckAt(side, 5, 2);
                continue;
            }
            for (size_t destinationOffset = 0; destinationOffset < 8; ++destinationOffset)
                for (size_t sourceOffset = 0; sourceOffset < 8; ++sourceOffset)
                    CheckAt(side, destinationOffset, sourceOffset);
        }
    }
}

TEST(CopyPathInspection, UnknownNumbersHaveNoSequencesAndNoSwitchingCounts) {
    for (int number : {8, 9, 21, -1}) {
        EXPECT_EQ(CopyPathSequences(number), nullptr) << number;
        EXPECT_TRUE(CopyPathSwitchingCounts(number).empty()) << number;
    }
}

INSTANTIATE_TEST_SUITE_P(AllPaths, CopyPath, ::testing::ValuesIn(kPathNumbers));
