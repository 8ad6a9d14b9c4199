// A package's format version for the authoring tools (NimbrelAuthoring.h), read from its
// identifier with the package format's own rule, so a tool never decides on its own what counts
// as a package.
#include "NimbrelAuthoring.h"

#include "data/dpf_format.h"
#include "platform/file_io.h"

namespace NimbrelAuthoring {

int PackageVersion(const char* path, std::string* problem) {
    std::string why;
    int version = 0;
    char identifier[dpf::kIdentifierSize] = {0};
    ScopedFile file(path ? FileOpen(path, kFileReadOnly) : -1);
    const int64_t got = file.isOpen() ? FileReadAt(file.get(), identifier, sizeof identifier, 0) : -1;
    if (!path)
        why = "no file was given";
    else if (got < 0)
        why = std::string("cannot be read: ") + LastFileErrorText();
    else if (got != dpf::kIdentifierSize || (version = dpf::IdentifierVersion(identifier)) == 0)
        why = "is not a DPF package";
    else if (version < 0)
        why = "is a DPF package of no known version";
    if (version > 0) return version;
    if (problem) *problem = why;
    return 0;
}

} // namespace NimbrelAuthoring
