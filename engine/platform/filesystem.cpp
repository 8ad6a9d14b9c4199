// Files and directories.
#include "platform/filesystem.h"

#include <sys/stat.h>

bool PathExists(const char* path) {
    struct stat info;
    return path && stat(path, &info) == 0;
}

bool MakeDirectory(const char* path) { return path && mkdir(path, 0777) == 0; }
