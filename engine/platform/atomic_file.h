// Whole-file replacement that survives a crash: the new contents go to a temporary file beside
// the target, are flushed to the storage device and only then renamed over the target. A process
// that dies at any point leaves either the old file or the new one, never a mixture or a
// truncated file.
#ifndef NIMBREL_PLATFORM_ATOMIC_FILE_H
#define NIMBREL_PLATFORM_ATOMIC_FILE_H

#include <cstddef>
#include <cstdint>

// Replaces (or creates) the file at `path` with `length` bytes of `data`. The directory must
// exist. A replaced file keeps its permissions; a symbolic link stays a link and the file it
// points to is replaced. A file that may not be written (see FileMayBeReplaced) is refused.
// Temporary files that earlier saves of the same file left when their process died are removed.
// True on success; on failure the target is untouched, the temporary file is removed and
// LastFileErrorText() (platform/file_io.h) tells why.
bool ReplaceFileAtomically(const char* path, const void* data, size_t length);

// Test hook for crash tests, set only through testing/test_seams.h. When set to a value >= 0, the next ReplaceFileAtomically writes only
// that many bytes of the temporary file (all of them when the value is larger) and then ends the
// process at once with kReplaceCrashExitStatus, before the rename. -1 (the default) turns it off.
// Only meant for a child process started by a test.
void SetReplaceCrashPoint(int64_t bytesBeforeCrash);
const int kReplaceCrashExitStatus = 77;

#endif
