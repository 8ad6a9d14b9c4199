// DPF package costs against references measured in the same run.
//
//   build/bench/dpf_bench           the full run: a package of about 64 MiB in 1,000 blocks
//   build/bench/dpf_bench --smoke   a tiny run (a few seconds) that only checks the program works
//   build/bench/dpf_bench --help
// (built by scripts/build.sh release, or: cmake --build build --target dpf_bench)
//
// Four figures, each a ratio to a reference timed in the same run (higher is better unless
// stated):
//   1. Open, which reads the package and checks its checksum, against reading the same bytes the
//      same way and checking them with zlib's crc32. Goal 1.0 or better. Printed with it: the
//      checksum routine alone against zlib's crc32, both over bytes already in memory.
//   2. Loading the last block of a freshly opened package against reading the whole file.
//      Goal 0.5 or better.
//   3. Per-block cost of loading all 1,000 blocks against loading all 100 blocks of a package a
//      tenth the size: the growth factor, lower is better. Goal 2.0 or less.
//   4. LoadBlock of a compressed block against UCL's decoder on the same bytes in memory.
//      Goal 0.9 or better.
// Each side is timed in alternating rounds and keeps its best round, so load from elsewhere on
// the machine inflates neither side much.
#include <ucl/ucl.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "Nimbrel.h"
#include "core/checksum.h"
#include "platform/file_io.h"

namespace {

struct Settings {
    int blocks;       // in the large package; the small one has a tenth
    size_t blockSize; // payload bytes per block
    int rounds;
    // Figure 4's rounds take about a millisecond each, so one interruption by another process
    // spoils a whole round; many rounds leave each side enough undisturbed ones to keep.
    int decoderRounds;
};

const Settings kFull = {1000, 96 * 1024, 5, 200};
const Settings kSmoke = {40, 4 * 1024, 1, 200};

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Mixed data: text-like runs a compressor shrinks well, and stretches of noise it cannot.
std::string MixedPayload(size_t size, unsigned seed) {
    std::string data(size, '\0');
    std::mt19937 random(seed);
    for (size_t i = 0; i < size; ++i) {
        bool noisy = (i / 512 + seed) % 3 == 0;
        data[i] = noisy ? char(random()) : char("the quick brown fox jumps over the lazy dog "[(i + seed) % 44]);
    }
    return data;
}

std::string BlockName(int i) { return "block-" + std::to_string(i); }

// Writes a package of `count` blocks: mostly compressed, some stored, some masked.
bool MakePackage(const std::string& path, int count, size_t blockSize) {
    int handle = IStuffDPF->Create(path.c_str());
    if (handle <= 0) return false;
    for (int i = 0; i < count; ++i) {
        std::string payload = MixedPayload(blockSize, unsigned(i));
        DPFBlock block{};
        std::snprintf(block.name, sizeof block.name, "%s", BlockName(i).c_str());
        std::snprintf(block.type, sizeof block.type, "BIN");
        block.mode = Uint8(i % 5 == 3 ? DPFBlock::kStored : i % 5 == 4 ? DPFBlock::kMasked : DPFBlock::kCompressed);
        block.originalSize = Uint32(payload.size());
        block.data = reinterpret_cast<Uint8*>(&payload[0]);
        if (IStuffDPF->AddData(handle, &block) <= 0) return false;
    }
    IStuffDPF->Close(handle);
    return true;
}

// A fresh interface forgets which packages were checked, so the next Open checks again.
void FreshInterface() {
    delete IStuffDPF;
    IStuffDPF = new class IStuffDPF;
}

std::string ReadWhole(const std::string& path) {
    int fd = FileOpen(path.c_str(), kFileReadOnly);
    std::string bytes(size_t(std::max<int64_t>(0, FileLength(fd))), '\0');
    FileReadAt(fd, &bytes[0], bytes.size(), 0);
    FileClose(fd);
    return bytes;
}

volatile Uint32 sink; // keeps results alive so the work is not optimised away

// ---- The four measurements ---------------------------------------------------------------------

// zlib's crc32 over the package's blocks, read from the file in the same pieces Open reads.
Uint32 ZlibChecksumOfFile(const std::string& path) {
    const size_t piece = 128 * 1024;
    std::vector<Uint8> buffer(piece);
    int fd = FileOpen(path.c_str(), kFileReadOnly);
    int64_t length = FileLength(fd);
    uLong crc = 0;
    for (int64_t at = 520; at < length; at += piece) {
        int64_t got = FileReadAt(fd, buffer.data(), piece, at);
        if (got <= 0) break;
        crc = crc32(crc, buffer.data(), uInt(got));
    }
    FileClose(fd);
    return Uint32(crc);
}

// Open against reading the same bytes and checking them with zlib's crc32.
double OpenAgainstCrc(const std::string& path, int rounds) {
    double reference = 1e30, open = 1e30;
    for (int round = 0; round < rounds; ++round) {
        double start = Now();
        sink = ZlibChecksumOfFile(path);
        reference = std::min(reference, Now() - start);

        FreshInterface();
        start = Now();
        int handle = IStuffDPF->Open(path.c_str());
        open = std::min(open, Now() - start);
        if (handle <= 0) std::fprintf(stderr, "dpf_bench: %s: does not open\n", path.c_str());
        IStuffDPF->Close(handle);
    }
    return reference / open;
}

// The package checksum routine alone against zlib's crc32, both over bytes in memory.
double ChecksumAgainstZlibInMemory(const std::string& path, int rounds) {
    std::string bytes = ReadWhole(path);
    const Uint8* data = reinterpret_cast<const Uint8*>(bytes.data()) + 520;
    size_t length = bytes.size() - 520;
    double reference = 1e30, ours = 1e30;
    for (int round = 0; round < rounds; ++round) {
        double start = Now();
        sink = Uint32(crc32(0, data, uInt(length)));
        reference = std::min(reference, Now() - start);
        start = Now();
        sink = ChecksumUpdate(0, data, length);
        ours = std::min(ours, Now() - start);
    }
    return reference / ours;
}

double LastBlockAgainstFileRead(const std::string& path, int count, int rounds) {
    double reference = 1e30, load = 1e30;
    for (int round = 0; round < rounds; ++round) {
        double start = Now();
        std::string bytes = ReadWhole(path);
        reference = std::min(reference, Now() - start);
        sink = Uint32(bytes.size());

        FreshInterface();
        int handle = IStuffDPF->Open(path.c_str());
        DPFBlock block;
        start = Now();
        int size = IStuffDPF->LoadBlock(handle, "BIN", BlockName(count - 1).c_str(), &block);
        load = std::min(load, Now() - start);
        if (size <= 0) std::fprintf(stderr, "dpf_bench: the last block does not load\n");
        std::free(block.data);
        IStuffDPF->Close(handle);
    }
    return reference / load;
}

// Seconds per block to load every block of a freshly opened package, best round.
double SecondsPerBlock(const std::string& path, int count, int rounds) {
    double best = 1e30;
    for (int round = 0; round < rounds; ++round) {
        FreshInterface();
        int handle = IStuffDPF->Open(path.c_str());
        double start = Now();
        for (int i = 0; i < count; ++i) {
            DPFBlock block;
            if (IStuffDPF->LoadBlock(handle, "BIN", BlockName(i).c_str(), &block) <= 0)
                std::fprintf(stderr, "dpf_bench: block %d does not load\n", i);
            std::free(block.data);
        }
        best = std::min(best, Now() - start);
        IStuffDPF->Close(handle);
    }
    return best / count;
}

double LoadBlockAgainstDecoder(const std::string& path, int rounds) {
    int handle = IStuffDPF->Open(path.c_str());
    DPFBlock found{};
    std::snprintf(found.name, sizeof found.name, "%s", BlockName(0).c_str()); // block 0 is compressed
    std::snprintf(found.type, sizeof found.type, "BIN");
    IStuffDPF->FindBlock(handle, &found);

    // The stored bytes, found by their position: they are the last bytes of block 0's frame.
    std::string bytes = ReadWhole(path);
    std::string stored = bytes.substr(520 + 80, found.storedSize);
    std::vector<Uint8> out(found.originalSize);
    const int repeats = 20;
    double reference = 1e30, load = 1e30;
    for (int round = 0; round < rounds; ++round) {
        double start = Now();
        for (int r = 0; r < repeats; ++r) {
            ucl_uint length = ucl_uint(out.size());
            ucl_nrv2b_decompress_safe_8(reinterpret_cast<const Uint8*>(stored.data()), ucl_uint(stored.size()),
                                        out.data(), &length, nullptr);
            sink = Uint32(length);
        }
        reference = std::min(reference, Now() - start);

        start = Now();
        for (int r = 0; r < repeats; ++r) {
            DPFBlock block;
            sink = Uint32(IStuffDPF->LoadBlock(handle, "BIN", found.name, &block));
            std::free(block.data);
        }
        load = std::min(load, Now() - start);
    }
    IStuffDPF->Close(handle);
    return reference / load;
}

void PrintRatio(const char* what, double ratio, const char* goal) { std::printf("  %-58s %6.2f   (goal: %s)\n", what, ratio, goal); }

} // namespace

int main(int argc, char** argv) {
    Settings settings = kFull;
    for (int i = 1; i < argc; ++i) {
        std::string word = argv[i];
        if (word == "--smoke") {
            settings = kSmoke;
        } else if (word == "--help" || word == "-h") {
            std::printf("Usage: dpf_bench [--smoke]\nTimes package operations against references in the same run; see the\n"
                        "comment at the top of bench/dpf_bench.cpp for the four figures.\n");
            return 0;
        } else {
            std::fprintf(stderr, "dpf_bench: unknown argument '%s'\nUsage: dpf_bench [--smoke]\n", argv[i]);
            return 2;
        }
    }

    ucl_init();
    IStuffDPF = new class IStuffDPF;
    std::filesystem::path directory =
        std::filesystem::temp_directory_path() / ("nimbrel-dpf-bench-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(directory);
    std::string large = (directory / "large.dpf").string(), small = (directory / "small.dpf").string();

    std::printf("Making packages: %d and %d blocks of %zu bytes...\n", settings.blocks, settings.blocks / 10,
                settings.blockSize);
    int status = 0;
    if (!MakePackage(large, settings.blocks, settings.blockSize) ||
        !MakePackage(small, settings.blocks / 10, settings.blockSize)) {
        std::fprintf(stderr, "dpf_bench: %s: cannot make the packages\n", directory.string().c_str());
        status = 1;
    } else {
        std::printf("Package of %.1f MiB in %d blocks; best of %d round(s), %d for figure 4.\n\n",
                    double(std::filesystem::file_size(large)) / (1024 * 1024), settings.blocks, settings.rounds,
                    settings.decoderRounds);
        PrintRatio("1. Open (checksum) vs read + zlib crc32 of the same bytes", OpenAgainstCrc(large, settings.rounds),
                   "1.0 or more");
        PrintRatio("   (the checksum alone vs zlib crc32, bytes in memory)", ChecksumAgainstZlibInMemory(large, settings.rounds),
                   "1.0 or more");
        PrintRatio("2. Load last block vs read whole file", LastBlockAgainstFileRead(large, settings.blocks, settings.rounds),
                   "0.5 or more");
        double largePerBlock = SecondsPerBlock(large, settings.blocks, settings.rounds);
        double smallPerBlock = SecondsPerBlock(small, settings.blocks / 10, settings.rounds);
        PrintRatio("3. Per-block cost growth, all blocks: 10x package vs 1x", largePerBlock / smallPerBlock, "2.0 or less");
        PrintRatio("4. LoadBlock (compressed) vs UCL decoder, same bytes", LoadBlockAgainstDecoder(large, settings.decoderRounds),
                   "0.9 or more");
    }

    delete IStuffDPF;
    IStuffDPF = nullptr;
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
    return status;
}
