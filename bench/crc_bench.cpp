// CRC-32: Nimbrel.CRC32 against zlib's crc32 over the same bytes, in one run.
// Reports the speed ratio (zlib time / engine time; 1.0 or more means at least as fast).
//
//   build/bench/crc_bench            (64 MiB buffer)
//   build/bench/crc_bench --smoke    (4 MiB buffer)
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "Nimbrel.h"

namespace {

template <typename Function>
double BestSeconds(int rounds, Function function) {
    double best = 1e30;
    for (int i = 0; i < rounds; ++i) {
        auto start = std::chrono::steady_clock::now();
        function();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    bool smoke = argc > 1 && std::strcmp(argv[1], "--smoke") == 0;
    size_t size = smoke ? (4u << 20) : (64u << 20);
    std::vector<unsigned char> data(size);
    std::mt19937 random(7);
    for (unsigned char& byte : data) byte = static_cast<unsigned char>(random());

    volatile Uint32 sink = 0;
    double engine = BestSeconds(7, [&] { sink = sink ^ Nimbrel.CRC32(data.data(), static_cast<int>(size)); });
    double zlib = BestSeconds(7, [&] { sink = sink ^ crc32(0L, data.data(), static_cast<uInt>(size)); });
    if (Nimbrel.CRC32(data.data(), static_cast<int>(size)) != crc32(0L, data.data(), static_cast<uInt>(size))) {
        std::printf("CRC mismatch\n");
        return 1;
    }
    double mib = size / 1048576.0;
    std::printf("CRC-32 over %.0f MiB: engine %.0f MiB/s, zlib %.0f MiB/s, ratio %.3f (goal: 1.0 or better)\n", mib,
                mib / engine, mib / zlib, zlib / engine);
    return 0;
}
