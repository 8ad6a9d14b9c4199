// Low-level file access by descriptor: the calls the package code needs to read, append, rewrite
// in place, flush and replace files. Offsets and lengths are 64-bit; every function reports
// failure instead of throwing, and LastFileErrorText() tells why the last one failed. Paths go
// through NativePath (platform/filesystem.h).
#ifndef NIMBREL_PLATFORM_FILE_IO_H
#define NIMBREL_PLATFORM_FILE_IO_H

#include <cstddef>
#include <cstdint>
#include <string>

enum FileOpenMode {
    kFileReadOnly,     // existing file, reading
    kFileReadWrite,    // existing file, reading and writing
    kFileCreateWrite,  // created or truncated, writing
    kFileCreateReadWrite, // created or truncated, reading and writing
};

// A descriptor, or -1 on failure.
int FileOpen(const char* path, FileOpenMode mode);
// 0 on success, the system's error result otherwise.
int FileClose(int fd);

// Reads up to `length` bytes at `offset`, retrying short reads until the end of the file. The
// number of bytes read (less than `length` only at the end of the file), or -1 on error.
int64_t FileReadAt(int fd, void* buffer, size_t length, int64_t offset);
// Writes all `length` bytes at `offset`. True only when every byte was written.
bool FileWriteAt(int fd, const void* buffer, size_t length, int64_t offset);

// Reads a whole file into `bytes`. False when it cannot be opened or read.
bool ReadWholeFile(const char* path, std::string* bytes);

// The file's length in bytes, or -1 on error.
int64_t FileLength(int fd);
bool FileTruncate(int fd, int64_t length);
// Flushes the file's data and metadata to the storage device.
bool FileSync(int fd);

// Replaces `to` with `from` in one step (same file system).
bool FileRename(const char* from, const char* to);
bool FileRemove(const char* path);
// False when `path` names an existing file that must not be replaced: one this process may not
// write, or one without any write permission bit. A missing file may be created.
bool FileMayBeReplaced(const char* path);
// Flushes the directory entry changes of the directory holding `path` (after a rename).
bool SyncParentDirectory(const char* path);

// A path that can be opened and written like a file, where everything written is discarded: for
// output a program must name a file for but never wants to keep.
const char* NullDevicePath();

// The system's text for the last failure of any function above.
const char* LastFileErrorText();

// Test hook, set only through testing/test_seams.h: while `offset` is 0 or more, every
// FileWriteAt whose bytes would cover that file offset fails as a disk error there would, and
// writes nothing. -1 (the default) turns it off.
void SetWriteFaultOffset(int64_t offset);

// A descriptor owned for a scope: closed when the scope ends, unless Release handed it on. Keeps
// every early return of a function that opens a file from leaking the descriptor.
class ScopedFile {
public:
    explicit ScopedFile(int fd = -1) : fd_(fd) {}
    ~ScopedFile() { Reset(-1); }
    ScopedFile(const ScopedFile&) = delete;
    ScopedFile& operator=(const ScopedFile&) = delete;

    int get() const { return fd_; }
    bool isOpen() const { return fd_ >= 0; }
    // Closes the descriptor held (if any) and holds `fd` instead.
    void Reset(int fd) {
        if (fd_ >= 0) FileClose(fd_);
        fd_ = fd;
    }
    // Hands the descriptor on; the scope no longer closes it.
    int Release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

#endif
