// Copy paths against the C library's memcpy, measured in the same run.
//
// Table 1: every path at 4 KiB, 256 KiB and 16 MiB. Table 2: the path that processor detection
// selects on this machine, at the row sizes of a 430, 800 and 1280 pixel wide 32-bit screen.
// Each figure is a time ratio, path / memcpy: 1.00 is as fast as memcpy, 1.50 takes half as long
// again, 0.80 is faster. Path and memcpy are timed in alternating rounds and each keeps its best
// round, so a busy machine inflates neither side much.
//
//   copy_bench           the full run (about half a minute)
//   copy_bench --smoke   a tiny run that only checks the program works
//   copy_bench --help
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "Nimbrel.h"
#include "bench_options.h"
#include "core/copy_paths.h"

namespace {

const int kPathNumbers[] = {0, 1, 2, 3, 4, 5, 6, 7, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20};
const Uint32 kKiB = 1024;
const Uint32 kMiB = 1024 * 1024;

struct Settings {
    size_t bytesPerRound; // bytes copied in one timed round
    int rounds;
};

void* LibraryCopy(void* destination, const void* source, Uint32 count) {
    return std::memcpy(destination, source, count);
}

// The reference is called through a pointer the compiler cannot see through, like the paths.
CopyRoutine volatile referenceCopy = LibraryCopy;

class Bench {
public:
    explicit Bench(Settings settings)
        : settings_(settings), source_(16 * kMiB + 64), destination_(16 * kMiB + 64) {
        for (size_t i = 0; i < source_.size(); ++i) source_[i] = static_cast<Uint8>(i * 31 + (i >> 9));
    }

    // Path time over memcpy time. The two are timed in alternating rounds and each keeps its best
    // round, so a burst of load from elsewhere hits both sides alike and is then discarded.
    double Ratio(CopyRoutine routine, Uint32 count) {
        double reference = 1e30, path = 1e30;
        for (int round = 0; round < settings_.rounds; ++round) {
            reference = std::min(reference, SecondsPerCopy(referenceCopy, count));
            path = std::min(path, SecondsPerCopy(routine, count));
        }
        return path / reference;
    }

private:
    // Seconds per copy of count bytes over one round.
    double SecondsPerCopy(CopyRoutine routine, Uint32 count) {
        const size_t copies = std::max<size_t>(1, settings_.bytesPerRound / count);
        auto start = std::chrono::steady_clock::now();
        for (size_t i = 0; i < copies; ++i) routine(destination_.data(), source_.data(), count);
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / copies;
    }

public:
    // A wrong copy would make every figure meaningless.
    bool Verify(CopyRoutine routine, Uint32 count) {
        std::memset(destination_.data(), 0, count);
        routine(destination_.data(), source_.data(), count);
        return std::memcmp(destination_.data(), source_.data(), count) == 0;
    }

private:
    Settings settings_;
    std::vector<Uint8> source_;
    std::vector<Uint8> destination_;
};

const char* PathLabel(int number) { return number == 0 ? "normal (memcpy)" : CopyPathName(number); }

bool PrintPathTable(Bench& bench, bool smoke) {
    const Uint32 sizes[] = {4 * kKiB, 256 * kKiB, 16 * kMiB};
    std::printf("Every path, time ratio path / memcpy (above 1.00 = slower than memcpy)\n");
    std::printf("%-4s %-18s %10s %10s %10s\n", "no.", "path", "4 KiB", "256 KiB", "16 MiB");
    for (int number : kPathNumbers) {
        CopyRoutine routine = CopyPathRoutine(number);
        std::printf("%-4d %-18s", number, PathLabel(number));
        for (Uint32 size : sizes) {
            if (!bench.Verify(routine, size)) {
                std::printf("\npath %d copies %u bytes wrongly\n", number, size);
                return false;
            }
            std::printf(" %10.2f", bench.Ratio(routine, size));
        }
        std::printf("\n");
        std::fflush(stdout);
        if (smoke && number >= 2) break; // the smoke run only proves the table works
    }
    return true;
}

bool PrintDetectedPathTable(Bench& bench) {
    // The log is not started, so detection selects silently.
    if (!Nimbrel.GetCPUFeatures(nullptr)) {
        std::printf("processor detection refused this processor\n");
        return false;
    }
    char description[Nimbrel::kCPUTextSize];
    Nimbrel.GetCPUFeatures(description);
    const int number = CurrentCopyPathNumber();
    std::printf("\nThis machine: %s\nDetection selects path %d, %s\n", description, number, PathLabel(number));
    std::printf("%-26s %10s %10s\n", "screen row (32-bit)", "bytes", "ratio");
    for (int width : {430, 800, 1280}) {
        const Uint32 rowBytes = static_cast<Uint32>(width) * 4;
        if (!bench.Verify(CurrentCopyPath(), rowBytes)) {
            std::printf("the selected path copies %u bytes wrongly\n", rowBytes);
            return false;
        }
        std::printf("%-26d %10u %10.2f\n", width, rowBytes, bench.Ratio(CurrentCopyPath(), rowBytes));
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    bool smoke = false;
    int status = ReadBenchOptions(argc, argv, "copy_bench",
                                  "Times every copy path against memcpy and prints the time ratios.", &smoke);
    if (status >= 0) return status;

    Bench bench(smoke ? Settings{1 * kMiB, 1} : Settings{48 * kMiB, 25});
    if (!PrintPathTable(bench, smoke)) return 1;
    if (!PrintDetectedPathTable(bench)) return 1;
    return 0;
}
