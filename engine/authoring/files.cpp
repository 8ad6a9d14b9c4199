// Whole files for the authoring tools (NimbrelAuthoring.h), over the platform layer's file code:
// the same crash-safe replacement the engine uses for the documents it saves.
#include "NimbrelAuthoring.h"

#include "platform/atomic_file.h"
#include "platform/file_io.h"

namespace NimbrelAuthoring {

namespace {

bool Fail(std::string* problem, const char* text) {
    if (problem) *problem = text;
    return false;
}

} // namespace

bool ReadWholeFile(const char* path, std::string* bytes, std::string* problem) {
    if (!path || !bytes) return Fail(problem, "no file was given");
    if (::ReadWholeFile(path, bytes)) return true;
    return Fail(problem, LastFileErrorText());
}

bool WriteWholeFile(const char* path, const void* data, size_t length, std::string* problem) {
    if (!path) return Fail(problem, "no file was given");
    if (ReplaceFileAtomically(path, data, length)) return true;
    return Fail(problem, LastFileErrorText());
}

bool MoveFileOver(const char* from, const char* to, std::string* problem) {
    if (!from || !to) return Fail(problem, "no file was given");
    if (!FileRename(from, to)) return Fail(problem, LastFileErrorText());
    // The rename must reach the disk too, or a power cut could bring the old entry back.
    SyncParentDirectory(to);
    return true;
}

bool RemoveFile(const char* path) { return path && FileRemove(path); }

} // namespace NimbrelAuthoring
