// Files and directories.
#ifndef NIMBREL_PLATFORM_FILESYSTEM_H
#define NIMBREL_PLATFORM_FILESYSTEM_H

// True when the path names an existing file or directory.
bool PathExists(const char* path);
// Creates one directory (its parent must exist). True when created.
bool MakeDirectory(const char* path);

#endif
