// Memory status of the machine.
#ifndef NIMBREL_PLATFORM_MEMORY_H
#define NIMBREL_PLATFORM_MEMORY_H

#include <cstdint>

// Physical memory available to new programs, in bytes; 0 when it cannot be read.
uint64_t FreePhysicalMemory();

#endif
