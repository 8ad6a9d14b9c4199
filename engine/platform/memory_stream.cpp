// Capturing stdio output in memory, over open_memstream.
#include "platform/memory_stream.h"

#include <cstdlib>

bool PrintToMemory(bool (*print)(FILE* stream, const void* context), const void* context, std::string* bytes) {
    char* buffer = nullptr;
    size_t size = 0;
    FILE* stream = open_memstream(&buffer, &size);
    if (!stream) return false;
    bool printed = print(stream, context);
    printed = std::fclose(stream) == 0 && printed; // fclose sets buffer and size for the last time
    if (printed) bytes->assign(buffer ? buffer : "", size);
    std::free(buffer);
    return printed;
}
