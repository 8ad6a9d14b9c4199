// Processor detection: the exported identification primitives and Nimbrel.GetCPUFeatures, which
// names the processor, enforces the MMX requirement, reports SSE and hands its code to the copy
// path selection.
//
// The naming tables live in core/cpu_identify.cpp; this file owns the reading of the machine.
#include "Nimbrel.h"

#include <cstdio>
#include <cstring>

#include "core/cpu_identify.h"
#include "core/copy_paths.h"

#if defined(__x86_64__)
#include <cpuid.h>
#endif

// ---- Identification primitives ------------------------------------------------------------------

extern "C" int CPU_haveCPUID(void) {
#if defined(__x86_64__)
    // The processor has the identification instruction when bit 21 (ID) of the flags register can
    // be toggled. The stack pointer first steps over the red zone, which the compiler may be using
    // for this function's locals.
    unsigned long long original = 0;
    unsigned long long toggled = 0;
    __asm__ volatile(
        "lea -128(%%rsp), %%rsp\n\t"
        "pushfq\n\t"
        "pushfq\n\t"
        "popq %0\n\t"
        "movq %0, %1\n\t"
        "xorq $0x200000, %1\n\t"
        "pushq %1\n\t"
        "popfq\n\t"
        "pushfq\n\t"
        "popq %1\n\t"
        "popfq\n\t"
        "lea 128(%%rsp), %%rsp\n\t"
        : "=&r"(original), "=&r"(toggled)
        :
        : "cc", "memory");
    return ((original ^ toggled) & 0x200000) ? 1 : 0;
#else
    return 0;
#endif
}

extern "C" int CPU_GetString(char* vendor) {
    if (!vendor) return 0;
#if defined(__x86_64__)
    unsigned int highest = 0, ebx = 0, ecx = 0, edx = 0;
    __cpuid(0, highest, ebx, ecx, edx);
    if (static_cast<int>(highest) <= 0) {
        vendor[12] = '\0';
        return 0;
    }
    std::memcpy(vendor, &ebx, 4);
    std::memcpy(vendor + 4, &edx, 4);
    std::memcpy(vendor + 8, &ecx, 4);
    vendor[12] = '\0';
    return static_cast<int>(highest);
#else
    vendor[12] = '\0';
    return 0;
#endif
}

extern "C" unsigned int CPU_getCPUIDFamily(void) {
#if defined(__x86_64__)
    unsigned int signature = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &signature, &ebx, &ecx, &edx)) return 0;
    return signature;
#else
    return 0;
#endif
}

ProcessorReport ReadMachineProcessorReport() {
    ProcessorReport report;
    report.hasCPUID = CPU_haveCPUID();
    if (report.hasCPUID) {
        report.highestLeaf = CPU_GetString(report.vendor);
        report.signature = CPU_getCPUIDFamily();
    }
    report.features.mmx = SDL_HasMMX() == SDL_TRUE;
    report.features.mmxExt = SDL_HasMMXExt() == SDL_TRUE;
    report.features.sse = SDL_HasSSE() == SDL_TRUE;
    report.features.sse2 = SDL_HasSSE2() == SDL_TRUE;
    return report;
}

// ---- Nimbrel.GetCPUFeatures ---------------------------------------------------------------------

namespace {

const size_t kTextSize = static_cast<size_t>(Nimbrel::kCPUTextSize);

// Appends to a caller's buffer of kCPUTextSize bytes, cutting rather than overrunning.
void AppendText(char* text, const char* piece) {
    size_t used = strnlen(text, kTextSize);
    if (used + 1 >= kTextSize) return;
    std::snprintf(text + used, kTextSize - used, "%s", piece);
}

void SetText(char* text, const char* piece) {
    text[0] = '\0';
    AppendText(text, piece);
}

} // namespace

int Nimbrel::GetCPUFeatures(char* text) {
    const ProcessorReport report = ReadProcessorReport();

    if (!report.hasCPUID) {
        if (text) return 1;
        return SelectCopyPath(kCopyPathNormal) ? 1 : 0;
    }
    if (report.highestLeaf < 1) {
        if (text)
            SetText(text, "CPUID not available! A Pentium class processor is required");
        else
            ILogSystem.Msg(0, " . [Nimbrel.GetCPUFeatures()] Error: CPUID not available! Your CPU must be 486 or less\n");
        return 0;
    }

    const ProcessorName name = NameProcessor(report.vendor, report.signature);
    if (text) {
        SetText(text, name.heading.buffer.c_str());
        AppendText(text, name.model.buffer.c_str());
    } else {
        ILogSystem.Msg(0, "%s", name.heading.log.c_str());
        if (!name.model.log.empty()) ILogSystem.Msg(0, "%s", name.model.log.c_str());
    }

    if (!report.features.mmx) {
        if (text)
            SetText(text, "MMX not available! MMX instruction set are required");
        else
            ILogSystem.Msg(0, " . [Nimbrel.GetCPUFeatures()] Error: MMX not present!.\n");
        return 0;
    }
    if (text) {
        AppendText(text, "- MMX ");
        if (report.features.sse) AppendText(text, "- SSE");
        return 1;
    }
    ILogSystem.Msg(0, "- MMX");
    if (report.features.sse) ILogSystem.Msg(0, " - SSE");
    ILogSystem.Msg(0, "\n");

    // The table only gives codes the processor can run, except for a processor that reports MMX
    // without the extensions its generation had; it gets the normal path rather than a failed
    // start.
    if (SelectCopyPath(name.code)) return 1;
    return SelectCopyPath(kCopyPathNormal) ? 1 : 0;
}
