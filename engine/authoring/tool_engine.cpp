// The engine parts a tool runs on (NimbrelAuthoring.h): the subset of Nimbrel.Init that works
// without a display, so a tool can read and write packages and images on a build machine.
#include "NimbrelAuthoring.h"

#include <ucl/ucl.h>

#include "platform/file_io.h"

namespace NimbrelAuthoring {

bool StartToolEngine(const char* toolName, ILogSystem::ConsoleSink logSink, std::string* problem) {
    if (IStuffDPF || IImage) {
        if (problem) *problem = "the engine is already running";
        return false;
    }
    if (ucl_init() != UCL_E_OK) {
        if (problem) *problem = "the compressor does not start";
        return false;
    }
    // The log passes messages to its console only while it also writes a file, so the file it
    // writes is one that keeps nothing.
    ILogSystem::SetConsoleSink(logSink);
    ILogSystem.Init(NullDevicePath(), ILogSystem::kOutputAppendFile | ILogSystem::kOutputConsole, 2, toolName);
    IStuffDPF = new class IStuffDPF;
    IImage = new class IImage;
    return true;
}

void StopToolEngine() {
    delete IImage;
    IImage = nullptr;
    delete IStuffDPF;
    IStuffDPF = nullptr;
    ILogSystem.Init(nullptr, 0, 0, nullptr);
    ILogSystem::SetConsoleSink(nullptr);
}

} // namespace NimbrelAuthoring
