// Whole-file replacement through a temporary file, fsync and rename.
#include "platform/atomic_file.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_io.h"
#include "platform/filesystem.h"
#include "platform/process.h"

namespace {

int64_t crashPoint = -1;

const char kTemporaryMark[] = ".nbltmp";

// Beside the target, so the rename stays within one file system; the process id keeps two
// processes saving the same file from writing into each other's temporary file.
std::string TemporaryPathFor(const std::string& target) {
    return target + kTemporaryMark + std::to_string(static_cast<long>(getpid()));
}

// The process id a temporary file name of `target`'s ends with, or -1 for any other name.
long TemporaryFileOwner(const char* name, const std::string& prefix) {
    if (std::strncmp(name, prefix.c_str(), prefix.size()) != 0) return -1;
    const char* digits = name + prefix.size();
    size_t count = std::strspn(digits, "0123456789");
    if (count == 0 || count > 9 || digits[count] != '\0') return -1;
    return std::strtol(digits, nullptr, 10);
}

// A save killed between creating its temporary file and the rename leaves that file behind, and
// nothing else would ever remove it: every save of the target clears those whose process has
// ended. A live process's file is its save in progress and stays.
void RemoveStaleTemporaryFiles(const std::string& target) {
    size_t slash = target.find_last_of('/');
    std::string directory = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    std::string prefix = target.substr(directory.size()) + kTemporaryMark;
    DIR* listing = opendir(directory.empty() ? "." : directory.c_str());
    if (!listing) return;
    long self = static_cast<long>(getpid());
    while (const dirent* item = readdir(listing)) {
        long owner = TemporaryFileOwner(item->d_name, prefix);
        if (owner > 0 && owner != self && !ProcessExists(owner)) FileRemove((directory + item->d_name).c_str());
    }
    closedir(listing);
}

// The file a save must replace: the target of a symbolic link rather than the link itself, so a
// linked file is updated where it lives, as a plain rewrite would.
std::string FileToReplace(const char* path) {
    struct stat info;
    char resolved[PATH_MAX];
    if (lstat(path, &info) == 0 && S_ISLNK(info.st_mode) && realpath(path, resolved)) return resolved;
    return path;
}

// A replaced file keeps its permissions: a settings file the user made private stays private.
void KeepPermissions(int fd, const std::string& target) {
    struct stat info;
    if (stat(target.c_str(), &info) == 0) fchmod(fd, info.st_mode & 07777);
}

// Writes the temporary file as a crash test asked, then dies.
[[noreturn]] void WriteUntilCrash(int fd, const void* data, size_t length) {
    size_t part = static_cast<uint64_t>(crashPoint) < length ? static_cast<size_t>(crashPoint) : length;
    FileWriteAt(fd, data, part, 0);
    _exit(kReplaceCrashExitStatus); // as abruptly as a crash: no destructors, no flushing
}

} // namespace

void SetReplaceCrashPoint(int64_t bytesBeforeCrash) { crashPoint = bytesBeforeCrash < 0 ? -1 : bytesBeforeCrash; }

bool ReplaceFileAtomically(const char* path, const void* data, size_t length) {
    if (!path || !*path || (!data && length > 0)) return false;
    std::string target = FileToReplace(NativePath(path).c_str());
    // The rename needs only the folder's permission; the file's own says whether it may change.
    if (!FileMayBeReplaced(target.c_str())) return false;
    RemoveStaleTemporaryFiles(target);
    std::string temporary = TemporaryPathFor(target);
    int fd = FileOpen(temporary.c_str(), kFileCreateWrite);
    if (fd < 0) return false;
    KeepPermissions(fd, target);
    if (crashPoint >= 0) WriteUntilCrash(fd, data, length);

    bool written = FileWriteAt(fd, data, length, 0) && FileSync(fd);
    bool closed = FileClose(fd) == 0;
    if (!written || !closed || !FileRename(temporary.c_str(), target.c_str())) {
        FileRemove(temporary.c_str());
        return false;
    }
    // The rename itself must reach the disk too, or a power cut could bring back the old entry.
    SyncParentDirectory(target.c_str());
    return true;
}
