// Copy paths against the C library's memcpy, measured in the same run.
//
// Table 1: every path at 64 B, 4 KiB, 256 KiB and 16 MiB. Table 2: the path that processor
// detection selects on this machine, at the row sizes of a 430, 800 and 1280 pixel wide 32-bit
// screen. Each figure is a time ratio, path / memcpy: 1.00 is as fast as memcpy, 1.50 takes half
// as long again, 0.80 is faster. Each row ends with "met" when none of its figures is above the
// goal of 1.10, otherwise "MISSED".
//
// A figure is the median of seven passes over all figures. In each pass path and memcpy are timed
// in alternating rounds and each keeps its best round, so a burst of load from elsewhere hits both
// sides alike and is then discarded; the median over passes spread across the run drops what a
// longer slow spell still skewed.
//
//   copy_bench           the full run (a quarter of a minute on an idle machine)
//   copy_bench --sweep   each path's own sequences without the hand-off to memcpy, at counts from
//                        16 B to 64 MiB: the measurement the hand-off ranges come from (a few
//                        minutes)
//   copy_bench --smoke   a tiny run that only checks the program works
//   copy_bench --help
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "Nimbrel.h"
#include "bench_options.h"
#include "bench_support.h"
#include "core/copy_paths.h"

namespace {

const int kPathNumbers[] = {0, 1, 2, 3, 4, 5, 6, 7, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20};
const Uint32 kKiB = 1024;
const Uint32 kMiB = 1024 * 1024;
const double kGoal = 1.10; // the most a path may take, in multiples of memcpy's time

// Short rounds, many of them, so that each side has rounds in which nothing else ran; large counts
// take fewer rounds to bound the run time.
struct Settings {
    size_t bytesPerRound;  // bytes copied in one timed round (at least two copies)
    size_t bytesPerFigure; // bytes each side copies for one figure, within the round limits
    int fewestRounds;
    int mostRounds;
    size_t bufferBytes; // the largest count measured
};

void* LibraryCopy(void* destination, const void* source, Uint32 count) {
    return std::memcpy(destination, source, count);
}

// The reference is called through a pointer the compiler cannot see through, like the paths.
CopyRoutine volatile referenceCopy = LibraryCopy;

class Bench {
public:
    explicit Bench(Settings settings)
        : settings_(settings), source_(settings.bufferBytes + 64), destination_(settings.bufferBytes + 64) {
        for (size_t i = 0; i < source_.size(); ++i) source_[i] = static_cast<Uint8>(i * 31 + (i >> 9));
    }

    // Path time over memcpy time. The two are timed in alternating rounds and each keeps its best
    // round, so a burst of load from elsewhere hits both sides alike and is then discarded.
    double Ratio(CopyRoutine routine, Uint32 count) {
        const size_t copies = std::max<size_t>(2, settings_.bytesPerRound / count);
        const size_t rounds = std::min<size_t>(std::max<size_t>(settings_.bytesPerFigure / (copies * count),
                                                                settings_.fewestRounds),
                                               settings_.mostRounds);
        double reference = 1e30, path = 1e30;
        for (size_t round = 0; round < rounds; ++round) {
            reference = std::min(reference, SecondsPerCopy(referenceCopy, count, copies));
            path = std::min(path, SecondsPerCopy(routine, count, copies));
        }
        return path / reference;
    }

    // A wrong copy would make every figure meaningless.
    bool Verify(CopyRoutine routine, Uint32 count) {
        std::memset(destination_.data(), 0, count);
        routine(destination_.data(), source_.data(), count);
        return std::memcmp(destination_.data(), source_.data(), count) == 0;
    }

private:
    // Seconds per copy of count bytes over one round. Path and memcpy run through this one loop:
    // inlined twice, the two copies of it sat at different addresses, and at 64 bytes that alone
    // made one side a cycle per call slower for stretches of the run.
    __attribute__((noinline)) double SecondsPerCopy(CopyRoutine routine, Uint32 count, size_t copies) {
        auto start = std::chrono::steady_clock::now();
        for (size_t i = 0; i < copies; ++i) routine(destination_.data(), source_.data(), count);
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / copies;
    }

    Settings settings_;
    std::vector<Uint8> source_;
    std::vector<Uint8> destination_;
};

const char* PathLabel(int number) { return number == 0 ? "normal (memcpy)" : CopyPathName(number); }

// One figure of a table: a routine at one count.
struct Cell {
    int number; // the path
    CopyRoutine routine;
    Uint32 count;
    std::vector<double> ratios; // one per pass
};

// Every cell is measured once per pass and reports the median of its passes. Spreading a cell's
// measurements over the whole run keeps a slow spell of the machine from deciding a figure.
bool Measure(Bench& bench, std::vector<Cell>& cells, int passes) {
    for (Cell& cell : cells)
        if (!bench.Verify(cell.routine, cell.count)) {
            std::printf("path %d copies %u bytes wrongly\n", cell.number, cell.count);
            return false;
        }
    for (int pass = 0; pass < passes; ++pass) {
        for (Cell& cell : cells) cell.ratios.push_back(bench.Ratio(cell.routine, cell.count));
        std::fprintf(stderr, "pass %d of %d measured\n", pass + 1, passes);
    }
    return true;
}

// Counts the figures above the goal.
struct Tally {
    int cells = 0;
    int missed = 0;

    const char* Row(const std::vector<double>& ratios) {
        bool met = true;
        for (double ratio : ratios) {
            ++cells;
            if (ratio > kGoal) ++missed, met = false;
        }
        return met ? "met" : "MISSED";
    }
};

bool PrintTables(Bench& bench, int passes, bool smoke) {
    const Uint32 sizes[] = {64, 4 * kKiB, 256 * kKiB, 16 * kMiB};
    const size_t columns = sizeof sizes / sizeof sizes[0];
    std::vector<int> numbers(std::begin(kPathNumbers), std::end(kPathNumbers));
    if (smoke) numbers.resize(3); // the smoke run only proves the tables work

    // The log is not started, so detection selects silently.
    if (!Nimbrel.GetCPUFeatures(nullptr)) {
        std::printf("processor detection refused this processor\n");
        return false;
    }
    const int detected = CurrentCopyPathNumber();
    const Uint32 rowBytes[] = {430 * 4, 800 * 4, 1280 * 4};

    std::vector<Cell> cells;
    for (int number : numbers)
        for (Uint32 size : sizes) cells.push_back({number, CopyPathRoutine(number), size, {}});
    for (Uint32 bytes : rowBytes) cells.push_back({detected, CurrentCopyPath(), bytes, {}});
    if (!Measure(bench, cells, passes)) return false;

    Tally tally;
    std::printf("Every path, time ratio path / memcpy (above 1.00 = slower than memcpy), goal %.2f\n", kGoal);
    std::printf("%-4s %-18s %9s %9s %9s %9s\n", "no.", "path", "64 B", "4 KiB", "256 KiB", "16 MiB");
    const Cell* cell = cells.data();
    for (int number : numbers) {
        std::printf("%-4d %-18s", number, PathLabel(number));
        std::vector<double> medians;
        for (size_t column = 0; column < columns; ++column, ++cell) {
            medians.push_back(Median(cell->ratios));
            std::printf(" %9.2f", medians.back());
        }
        std::printf("  %s\n", tally.Row(medians));
    }

    char description[Nimbrel::kCPUTextSize];
    Nimbrel.GetCPUFeatures(description);
    std::printf("\nThis machine: %s\nDetection selects path %d, %s\n", description, detected, PathLabel(detected));
    std::printf("%-26s %10s %10s\n", "screen row (32-bit)", "bytes", "ratio");
    for (Uint32 bytes : rowBytes) {
        const double median = Median(cell->ratios);
        std::printf("%-26u %10u %10.2f  %s\n", bytes / 4, bytes, median, tally.Row({median}));
        ++cell;
    }

    if (tally.missed == 0)
        std::printf("\nEvery figure within %.2f of memcpy's time: goal met\n", kGoal);
    else
        std::printf("\n%d of %d figures above %.2f of memcpy's time: goal MISSED\n", tally.missed, tally.cells, kGoal);
    return true;
}

// The single-routine paths (1 to 7) hold every sequence the mixed paths are built from.
bool PrintSweep(Bench& bench, Uint32 largest, int passes) {
    const int sequencePaths[] = {1, 2, 3, 4, 5, 6, 7};
    // Four counts per doubling: the powers of two and three between them, which leave tails.
    std::vector<Uint32> counts;
    for (int step = 16;; ++step) {
        const Uint32 count = static_cast<Uint32>(std::lround(std::pow(2.0, step / 4.0)));
        if (count > largest) break;
        counts.push_back(count);
    }
    std::vector<Cell> cells;
    for (Uint32 count : counts)
        for (int number : sequencePaths) cells.push_back({number, CopyPathSequences(number), count, {}});
    if (!Measure(bench, cells, passes)) return false;

    std::printf("Own sequences without the hand-off, time ratio / memcpy (below 1.00 = the sequence wins)\n");
    std::printf("%10s", "bytes");
    for (int number : sequencePaths) std::printf(" %8s", CopyPathName(number));
    std::printf("\n");
    const Cell* cell = cells.data();
    for (Uint32 count : counts) {
        std::printf("%10u", count);
        for (size_t column = 0; column < sizeof sequencePaths / sizeof sequencePaths[0]; ++column, ++cell)
            std::printf(" %8.2f", Median(cell->ratios));
        std::printf("\n");
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const bool sweep = TakeOwnOption(&argc, argv, "--sweep");
    bool smoke = false;
    int status = ReadBenchOptions(argc, argv, "copy_bench",
                                  "Times every copy path against memcpy and prints the time ratios.\n"
                                  "  --sweep   times each path's own sequences, without the hand-off to memcpy,\n"
                                  "            at counts from 16 B to 64 MiB (the hand-off ranges come from it)",
                                  &smoke);
    if (status >= 0) return status;

    if (sweep) {
        const Uint32 largest = smoke ? 64 * kKiB : 64 * kMiB;
        Bench bench(smoke ? Settings{64 * kKiB, 0, 1, 1, largest} : Settings{64 * kKiB, 48 * kMiB, 15, 201, largest});
        return PrintSweep(bench, largest, smoke ? 1 : 5) ? 0 : 1;
    }

    Bench bench(smoke ? Settings{64 * kKiB, 0, 1, 1, 16 * kMiB} : Settings{64 * kKiB, 48 * kMiB, 31, 201, 16 * kMiB});
    return PrintTables(bench, smoke ? 1 : 7, smoke) ? 0 : 1;
}
