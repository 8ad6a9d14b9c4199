// What the benchmarks share (see bench_support.h).
#include "bench_support.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

#include "Nimbrel.h"

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* pointer, size_t size);
void __libc_free(void* pointer);
}

namespace {

std::atomic<bool> counting{false};
std::atomic<long> allocations{0};

void Count() {
    if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1, std::memory_order_relaxed);
}

} // namespace

extern "C" void* malloc(size_t size) noexcept {
    Count();
    return __libc_malloc(size);
}

extern "C" void* calloc(size_t count, size_t size) noexcept {
    Count();
    return __libc_calloc(count, size);
}

extern "C" void* realloc(void* pointer, size_t size) noexcept {
    Count();
    return __libc_realloc(pointer, size);
}

extern "C" void free(void* pointer) noexcept { __libc_free(pointer); }

void StartCountingAllocations() {
    allocations = 0;
    counting = true;
}

long StopCountingAllocations() {
    counting = false;
    return allocations;
}

bool AllocationCounterWorks() {
    StartCountingAllocations();
    void* volatile probe = std::malloc(16);
    std::free(probe);
    return StopCountingAllocations() == 1;
}

int RunSelfOnX11(const char* ownOption, bool smoke) {
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return 1;
    self[length] = '\0';
    const char* display = std::getenv("DISPLAY");
    const bool own = !display || !*display;
    // A random first display number keeps benchmarks that start together apart.
    std::srand(static_cast<unsigned>(getpid()));
    int status = 1;
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::string command = "env SDL_VIDEODRIVER=x11 ";
        if (own) command += "xvfb-run -a -n " + std::to_string(100 + std::rand() % 800) + " -s '-screen 0 1024x768x24' ";
        command += std::string("'") + self + "' " + ownOption + (smoke ? " --smoke" : "");
        std::fflush(stdout);
        const int result = std::system(command.c_str());
        status = WIFEXITED(result) ? WEXITSTATUS(result) : 1;
        if (status != kNoDisplayStatus || !own) break;
        std::printf("   (the virtual display was not ready, attempt %d)\n", attempt + 1);
    }
    return status;
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

bool StartEngineOnDummyVideo() {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    if (Nimbrel.Init(SDL_INIT_VIDEO) == 1) return true;
    std::printf("the engine does not start\n");
    return false;
}
