// The local date and time, over the thread-safe POSIX conversion.
#include "platform/local_time.h"

std::tm LocalTimeNow() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    if (!localtime_r(&now, &local)) return std::tm{};
    return local;
}
