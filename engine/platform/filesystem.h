// Files and directories.
#ifndef NIMBREL_PLATFORM_FILESYSTEM_H
#define NIMBREL_PLATFORM_FILESYSTEM_H

#include <string>

// The path as this system names it. Layouts and configurations written for Windows name files
// like "cfg\game.xml" or "c:\cfg\game.xml"; the drive letter is dropped and backslashes become
// slashes. Every platform call that takes a path goes through this, so a file is found under the
// same name it was saved under, whichever way the caller wrote it.
std::string NativePath(const char* path);

// True when the path names an existing file or directory.
bool PathExists(const char* path);
// Creates one directory (its parent must exist). True when created.
bool MakeDirectory(const char* path);

#endif
