// Copy-path selection (known and unknown numbers, paths the processor cannot run) and the row
// copy that blits use.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "cpu_test_fixture.h"

namespace {

class CopySelection : public CpuTest {};

std::vector<Uint8> Numbered(size_t size) {
    std::vector<Uint8> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<Uint8>(i * 7 + i / 251);
    return bytes;
}

} // namespace

TEST_F(CopySelection, KnownNumbersLogTheirLineAndBecomeTheCopyPath) {
    // Only a fresh process shows the starting path; earlier tests in the same process select others.
    if (testing::UnitTest::GetInstance()->test_to_run_count() == 1) {
        EXPECT_EQ(CurrentCopyPath(), CopyPathRoutine(0)) << "the copy path starts as the normal path";
    }
    EXPECT_TRUE(SelectCopyPath(12));
    EXPECT_EQ(CurrentCopyPathNumber(), 12);
    EXPECT_EQ(CurrentCopyPath(), CopyPathRoutine(12));
    EXPECT_TRUE(SelectCopyPath(15));
    EXPECT_TRUE(SelectCopyPath(0));
    EXPECT_EQ(CurrentCopyPath(), CopyPathRoutine(0));
    EXPECT_EQ(Logged(), " . Selected 'Banias' optimized code path.\n"
                        " . Selected 'P4 Willamette' optimized code path.\n"
                        " . Selected normal code path.\n");
}

TEST_F(CopySelection, LogLinesAreWarnings) {
    ILogSystem.Init("cpu.log", ILogSystem::kOutputNewFile, 1, "cpu test");
    size_t banner = ReadFile("cpu.log").size();
    EXPECT_TRUE(SelectCopyPath(20));
    EXPECT_EQ(ReadFile("cpu.log").size(), banner);
}

TEST_F(CopySelection, UnknownNumbersAreIgnoredSilently) {
    ASSERT_TRUE(SelectCopyPath(19));
    std::string before = Logged();
    for (int number : {8, 9, 21, -1, 100}) {
        EXPECT_FALSE(SelectCopyPath(number)) << number;
        EXPECT_EQ(CopyPathRoutine(number), nullptr) << number;
    }
    EXPECT_EQ(Logged(), before);
    EXPECT_EQ(CurrentCopyPathNumber(), 19);
    EXPECT_EQ(CurrentCopyPath(), CopyPathRoutine(19));
}

// A configuration value cannot make the engine execute instructions the processor lacks.
TEST_F(CopySelection, PathsNeedingMissingInstructionsAreRefused) {
    ASSERT_TRUE(SelectCopyPath(14));
    std::string before = Logged();

    ProcessorReport k6 = Processor("AuthenticAMD", Signature(5, 8));
    k6.features.mmxExt = k6.features.sse = k6.features.sse2 = false;
    NimbrelTestSeam::SetProcessorReport(&k6);
    EXPECT_FALSE(SelectCopyPath(6)) << "SSE-2";
    EXPECT_FALSE(SelectCopyPath(7)) << "K7: non-temporal stores and prefetch";
    EXPECT_FALSE(SelectCopyPath(3));
    EXPECT_EQ(Logged(), before);
    EXPECT_EQ(CurrentCopyPathNumber(), 14);
    EXPECT_TRUE(SelectCopyPath(1)) << "plain MMX runs";

    // The first Athlons have the extended MMX set but not SSE: enough for the streaming paths.
    ProcessorReport athlon = Processor("AuthenticAMD", Signature(6, 2));
    athlon.features.sse = athlon.features.sse2 = false;
    NimbrelTestSeam::SetProcessorReport(&athlon);
    EXPECT_TRUE(SelectCopyPath(10));
    EXPECT_FALSE(SelectCopyPath(6));

    ProcessorReport none;
    NimbrelTestSeam::SetProcessorReport(&none);
    EXPECT_FALSE(SelectCopyPath(20));
    EXPECT_TRUE(SelectCopyPath(0)) << "the normal path runs anywhere";
}

// ---- Row copy -----------------------------------------------------------------------------------

TEST_F(CopySelection, RowsCopyWithAndWithoutPadding) {
    ASSERT_TRUE(SelectCopyPath(7));
    const int rows = 37;
    const Uint32 rowBytes = 1720; // a 430-pixel, 32-bit row
    std::vector<Uint8> source = Numbered(rowBytes * rows);

    // Packed rows: one block.
    std::vector<Uint8> packed(source.size(), 0);
    CopyRows(packed.data(), rowBytes, source.data(), rowBytes, rowBytes, rows);
    EXPECT_EQ(packed, source);

    // A destination with 24 bytes of padding per row: the padding keeps its value.
    const int pitch = rowBytes + 24;
    std::vector<Uint8> padded(pitch * rows, 0xAB);
    CopyRows(padded.data(), pitch, source.data(), rowBytes, rowBytes, rows);
    for (int row = 0; row < rows; ++row) {
        ASSERT_EQ(std::memcmp(&padded[row * pitch], &source[row * rowBytes], rowBytes), 0) << row;
        for (int i = rowBytes; i < pitch; ++i) ASSERT_EQ(padded[row * pitch + i], 0xAB) << row;
    }

    // Nothing to copy.
    std::vector<Uint8> untouched(64, 1);
    CopyRows(untouched.data(), 8, source.data(), 8, 0, 8);
    CopyRows(untouched.data(), 8, source.data(), 8, 8, 0);
    EXPECT_EQ(untouched, std::vector<Uint8>(64, 1));
}

// A blit within one surface: scrolling down, up and sideways keeps every row intact.
TEST_F(CopySelection, OverlappingRowsMoveLikeASeparateCopy) {
    ASSERT_TRUE(SelectCopyPath(17));
    const int pitch = 300, rows = 40;
    const Uint32 rowBytes = 256;
    const std::vector<Uint8> surface = Numbered(pitch * rows);

    struct Move {
        int sourceRow, sourceColumn, destinationRow, destinationColumn, rows;
    };
    for (Move move : {Move{0, 0, 3, 0, 37}, Move{3, 0, 0, 0, 37}, Move{5, 0, 5, 11, 20}, Move{5, 11, 5, 0, 20},
                      Move{2, 7, 4, 2, 30}}) {
        std::vector<Uint8> actual = surface;
        std::vector<Uint8> expected = surface;
        for (int row = 0; row < move.rows; ++row)
            std::memcpy(&expected[(move.destinationRow + row) * pitch + move.destinationColumn],
                        &surface[(move.sourceRow + row) * pitch + move.sourceColumn], rowBytes);
        CopyRows(&actual[move.destinationRow * pitch + move.destinationColumn], pitch,
                 &actual[move.sourceRow * pitch + move.sourceColumn], pitch, rowBytes, move.rows);
        EXPECT_EQ(actual, expected) << "from row " << move.sourceRow << " to row " << move.destinationRow;
    }
}
