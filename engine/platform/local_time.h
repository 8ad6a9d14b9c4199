// The local date and time, as the log's banner shows it.
#ifndef NIMBREL_PLATFORM_LOCAL_TIME_H
#define NIMBREL_PLATFORM_LOCAL_TIME_H

#include <ctime>

// The current local time, broken down; all zero when the system cannot tell.
std::tm LocalTimeNow();

#endif
