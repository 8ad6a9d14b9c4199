// How the authoring interface fails: false, with the reason for a tool's error message, and never
// an exception, not even when memory runs out.
#ifndef NIMBREL_AUTHORING_FAILURES_H
#define NIMBREL_AUTHORING_FAILURES_H

#include <new>
#include <string>

namespace NimbrelAuthoring {

inline bool Fail(std::string* problem, const std::string& text) {
    if (problem) *problem = text;
    return false;
}

// What `work` returns, or a failure when an allocation in it fails.
template <typename Work> bool WithoutExceptions(std::string* problem, Work work) {
    try {
        return work();
    } catch (const std::bad_alloc&) {
        return Fail(problem, "there is not enough memory");
    }
}

} // namespace NimbrelAuthoring

#endif
