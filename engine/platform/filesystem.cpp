// Files and directories.
#include "platform/filesystem.h"

#include <algorithm>
#include <cctype>

#include <sys/stat.h>

std::string NativePath(const char* path) {
    if (!path) return std::string();
    std::string native(path);
    if (native.size() >= 2 && native[1] == ':' && std::isalpha(static_cast<unsigned char>(native[0])))
        native.erase(0, 2);
    std::replace(native.begin(), native.end(), '\\', '/');
    return native;
}

bool PathExists(const char* path) {
    struct stat info;
    return path && stat(NativePath(path).c_str(), &info) == 0;
}

bool MakeDirectory(const char* path) { return path && mkdir(NativePath(path).c_str(), 0777) == 0; }
