// Memory status of the machine: MemAvailable from /proc/meminfo, which counts reclaimable caches
// as the user would expect, falling back on sysinfo's free RAM.
#include "platform/memory.h"

#include <sys/sysinfo.h>

#include <cstdio>
#include <cstring>

namespace {

bool ReadMemAvailable(uint64_t& bytes) {
    FILE* file = std::fopen("/proc/meminfo", "r");
    if (!file) return false;
    char line[256];
    bool found = false;
    while (!found && std::fgets(line, sizeof line, file)) {
        unsigned long long kib = 0;
        if (std::sscanf(line, "MemAvailable: %llu kB", &kib) == 1) {
            bytes = static_cast<uint64_t>(kib) * 1024u;
            found = true;
        }
    }
    std::fclose(file);
    return found;
}

} // namespace

uint64_t FreePhysicalMemory() {
    uint64_t bytes = 0;
    if (ReadMemAvailable(bytes)) return bytes;
    struct sysinfo info;
    if (sysinfo(&info) != 0) return 0;
    return static_cast<uint64_t>(info.freeram) * info.mem_unit;
}
