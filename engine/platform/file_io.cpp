// Low-level file access by descriptor, over POSIX.
#include "platform/file_io.h"

#include <cerrno>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/filesystem.h"

namespace {

int lastError = 0;
int64_t writeFaultOffset = -1;

bool Fail() {
    lastError = errno;
    return false;
}

} // namespace

int FileOpen(const char* path, FileOpenMode mode) {
    int flags = 0;
    switch (mode) {
    case kFileReadOnly: flags = O_RDONLY; break;
    case kFileReadWrite: flags = O_RDWR; break;
    case kFileCreateWrite: flags = O_WRONLY | O_CREAT | O_TRUNC; break;
    case kFileCreateReadWrite: flags = O_RDWR | O_CREAT | O_TRUNC; break;
    }
    int fd = path ? open(NativePath(path).c_str(), flags | O_CLOEXEC, 0666) : -1;
    if (fd < 0) lastError = path ? errno : EINVAL;
    return fd;
}

int FileClose(int fd) {
    int result = close(fd);
    if (result != 0) lastError = errno;
    return result;
}

int64_t FileReadAt(int fd, void* buffer, size_t length, int64_t offset) {
    if (offset < 0) {
        lastError = EINVAL;
        return -1;
    }
    char* bytes = static_cast<char*>(buffer);
    size_t done = 0;
    while (done < length) {
        ssize_t got = pread(fd, bytes + done, length - done, static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR) continue;
            lastError = errno;
            return -1;
        }
        if (got == 0) break;
        done += static_cast<size_t>(got);
    }
    return static_cast<int64_t>(done);
}

void SetWriteFaultOffset(int64_t offset) { writeFaultOffset = offset < 0 ? -1 : offset; }

bool FileWriteAt(int fd, const void* buffer, size_t length, int64_t offset) {
    if (offset < 0) {
        lastError = EINVAL;
        return false;
    }
    if (writeFaultOffset >= offset && uint64_t(writeFaultOffset - offset) < length) {
        lastError = EIO;
        return false;
    }
    const char* bytes = static_cast<const char*>(buffer);
    size_t done = 0;
    while (done < length) {
        ssize_t put = pwrite(fd, bytes + done, length - done, static_cast<off_t>(offset + done));
        if (put < 0) {
            if (errno == EINTR) continue;
            return Fail();
        }
        if (put == 0) {
            lastError = ENOSPC;
            return false;
        }
        done += static_cast<size_t>(put);
    }
    return true;
}

bool ReadWholeFile(const char* path, std::string* bytes) {
    int fd = FileOpen(path, kFileReadOnly);
    if (fd < 0) return false;
    int64_t length = FileLength(fd);
    bool read = false;
    if (length >= 0) {
        bytes->resize(static_cast<size_t>(length));
        int64_t got = length > 0 ? FileReadAt(fd, &(*bytes)[0], bytes->size(), 0) : 0;
        read = got >= 0;
        if (read) bytes->resize(static_cast<size_t>(got));
    }
    FileClose(fd);
    return read;
}

int64_t FileLength(int fd) {
    struct stat info;
    if (fstat(fd, &info) != 0) {
        lastError = errno;
        return -1;
    }
    return static_cast<int64_t>(info.st_size);
}

bool FileTruncate(int fd, int64_t length) { return ftruncate(fd, static_cast<off_t>(length)) == 0 || Fail(); }

bool FileSync(int fd) { return fsync(fd) == 0 || Fail(); }

bool FileRename(const char* from, const char* to) {
    return rename(NativePath(from).c_str(), NativePath(to).c_str()) == 0 || Fail();
}

bool FileRemove(const char* path) { return unlink(NativePath(path).c_str()) == 0 || Fail(); }

bool FileMayBeReplaced(const char* path) {
    std::string native = NativePath(path);
    struct stat info;
    if (stat(native.c_str(), &info) != 0) return true; // nothing to protect yet
    // A superuser passes every permission check, so the permission bits themselves are what
    // tells a file someone protected on purpose.
    if ((info.st_mode & 0222) == 0) {
        lastError = EACCES;
        return false;
    }
    return faccessat(AT_FDCWD, native.c_str(), W_OK, AT_EACCESS) == 0 || Fail();
}

bool SyncParentDirectory(const char* path) {
    std::string directory(path ? path : "");
    size_t slash = directory.find_last_of('/');
    directory = slash == std::string::npos ? "." : (slash == 0 ? "/" : directory.substr(0, slash));
    int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return Fail();
    bool synced = fsync(fd) == 0 || Fail();
    close(fd);
    return synced;
}

const char* NullDevicePath() { return "/dev/null"; }

const char* LastFileErrorText() { return std::strerror(lastError); }
