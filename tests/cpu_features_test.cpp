// Nimbrel.GetCPUFeatures: the description buffer, the processor log line, the MMX requirement,
// the hand-over to copy-path selection, Nimbrel.Init's processor check, and the exported
// primitives on the machine running the tests.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "cpu_test_fixture.h"

namespace {

class CpuFeatures : public CpuTest {
protected:
    // The buffer form, starting from a buffer full of marks.
    std::string Describe(const ProcessorReport& report, int* result) {
        NimbrelTestSeam::SetProcessorReport(&report);
        std::memset(text, '#', sizeof text);
        text[sizeof text - 1] = '\0';
        *result = Nimbrel.GetCPUFeatures(text);
        return text;
    }

    char text[Nimbrel::kCPUTextSize];
};

} // namespace

TEST_F(CpuFeatures, CoreTwoDuoInBothForms) {
    int result = 0;
    int pathBefore = CurrentCopyPathNumber();
    EXPECT_EQ(Describe(Processor("GenuineIntel", Signature(6, 15)), &result), "INTEL - Core 2 Duo - MMX - SSE");
    EXPECT_EQ(result, 1);
    EXPECT_EQ(Logged(), "") << "the buffer form logs nothing";
    EXPECT_EQ(CurrentCopyPathNumber(), pathBefore) << "the buffer form selects nothing";

    EXPECT_EQ(Nimbrel.GetCPUFeatures(nullptr), 1);
    EXPECT_EQ(Logged(), " . Running on INTEL processor - Core 2 Duo - MMX - SSE\n"
                        " . Selected 'Core/Core2' optimized code path.\n");
    EXPECT_EQ(CurrentCopyPathNumber(), 20);
}

// The log form of a name may differ from its buffer form (no trailing space here).
TEST_F(CpuFeatures, PhenomUsesTheLogFormInTheLog) {
    int result = 0;
    EXPECT_EQ(Describe(Processor("AuthenticAMD", Signature(15, 2)), &result), "AMD - Phenom X3/X4 - MMX - SSE");
    EXPECT_EQ(Nimbrel.GetCPUFeatures(nullptr), 1);
    EXPECT_EQ(Logged(), " . Running on AMD processor - Phenom X3/X4- MMX - SSE\n"
                        " . Selected 'Athlon64' optimized code path.\n");
}

TEST_F(CpuFeatures, DetectionSelectsTheTableCode) {
    NimbrelTestSeam::SetProcessorReport(nullptr);
    ProcessorReport banias = Processor("GenuineIntel", Signature(6, 9));
    NimbrelTestSeam::SetProcessorReport(&banias);
    EXPECT_EQ(Nimbrel.GetCPUFeatures(nullptr), 1);
    EXPECT_EQ(CurrentCopyPathNumber(), 12);

    ProcessorReport willamette = Processor("GenuineIntel", Signature(15, 1));
    NimbrelTestSeam::SetProcessorReport(&willamette);
    EXPECT_EQ(Nimbrel.GetCPUFeatures(nullptr), 1);
    EXPECT_EQ(CurrentCopyPathNumber(), 0);

    EXPECT_EQ(Logged(), " . Running on INTEL processor - Banias - MMX - SSE\n"
                        " . Selected 'Banias' optimized code path.\n"
                        " . Running on INTEL processor - Pentium 4(Willamette) - MMX - SSE\n"
                        " . Selected normal code path.\n");
}

TEST_F(CpuFeatures, OtherVendorIsDescribedAndKeepsTheNormalPath) {
    int result = 0;
    EXPECT_EQ(Describe(Processor("CyrixInstead", Signature(5, 4)), &result),
              "CyrixInstead - Family 5 - Model 0-4- MMX - SSE");
    EXPECT_EQ(Nimbrel.GetCPUFeatures(nullptr), 1);
    EXPECT_EQ(Logged(), " . Running on CyrixInstead - Family 5 - Model: 0-4  - MMX - SSE\n"
                        " . Selected normal code path.\n");
    EXPECT_EQ(CurrentCopyPathNumber(), 0);
}

// SSE is optional: it changes the texts, never the result.
TEST_F(CpuFeatures, WithoutSseOnlyTheTextsChange) {
    ProcessorReport report = Processor("GenuineIntel", Signature(6, 8));
    report.features.sse = report.features.sse2 = false;
    int result = 0;
    EXPECT_EQ(Describe(report, &result), "INTEL - Pentium III - MMX ");
    EXPECT_EQ(result, 1);
    EXPECT_EQ(Nimbrel.GetCPUFeatures(nullptr), 1);
    EXPECT_EQ(Logged(), " . Running on INTEL processor - Pentium III - MMX\n"
                        " . Selected 'PentiumIII' optimized code path.\n");
}

TEST_F(CpuFeatures, WithoutMmxTheProcessorIsRefused) {
    ASSERT_TRUE(SelectCopyPath(2)); // on this machine, before pretending MMX is absent
    ProcessorReport report = Processor("GenuineIntel", Signature(5, 2));
    report.features = ProcessorFeatures();
    int result = 1;
    EXPECT_EQ(Describe(report, &result), "MMX not available! MMX instruction set are required");
    EXPECT_EQ(result, 0);

    std::string before = Logged();
    EXPECT_EQ(Nimbrel.GetCPUFeatures(nullptr), 0);
    EXPECT_EQ(Logged().substr(before.size()),
              " . Running on INTEL processor - Pentium  . [Nimbrel.GetCPUFeatures()] Error: MMX not present!.\n");
    EXPECT_EQ(CurrentCopyPathNumber(), 2) << "a refused processor selects nothing";
}

TEST_F(CpuFeatures, WithoutLeafOneTheProcessorIsRefused) {
    ProcessorReport report = Processor("", 0);
    report.highestLeaf = 0;
    int result = 1;
    EXPECT_EQ(Describe(report, &result), "CPUID not available! A Pentium class processor is required");
    EXPECT_EQ(result, 0);
    EXPECT_EQ(Nimbrel.GetCPUFeatures(nullptr), 0);
    EXPECT_EQ(Logged(),
              " . [Nimbrel.GetCPUFeatures()] Error: CPUID not available! Your CPU must be 486 or less\n");
}

// A processor without the identification instruction is accepted with the normal path.
TEST_F(CpuFeatures, WithoutCpuidTheNormalPathIsSelected) {
    ProcessorReport report;
    report.features.mmx = true;
    int result = 0;
    EXPECT_EQ(Describe(report, &result), std::string(sizeof text - 1, '#')) << "the buffer is left alone";
    EXPECT_EQ(result, 1);

    SelectCopyPath(2);
    std::string before = Logged();
    EXPECT_EQ(Nimbrel.GetCPUFeatures(nullptr), 1);
    EXPECT_EQ(Logged().substr(before.size()), " . Selected normal code path.\n");
    EXPECT_EQ(CurrentCopyPathNumber(), 0);
}

// A processor that reports MMX but not the extensions its table row's path uses still starts,
// on the normal path.
TEST_F(CpuFeatures, MissingExtensionsFallBackToTheNormalPath) {
    ProcessorReport report = Processor("AuthenticAMD", Signature(6, 4));
    report.features.mmxExt = report.features.sse = report.features.sse2 = false;
    NimbrelTestSeam::SetProcessorReport(&report);
    EXPECT_EQ(Nimbrel.GetCPUFeatures(nullptr), 1);
    EXPECT_EQ(Logged(), " . Running on AMD processor - Athlon - MMX\n . Selected normal code path.\n");
    EXPECT_EQ(CurrentCopyPathNumber(), 0);
}

TEST_F(CpuFeatures, InitFailsOnAProcessorWithoutMmx) {
    ProcessorReport report = Processor("AuthenticAMD", Signature(5, 8));
    report.features = ProcessorFeatures();
    NimbrelTestSeam::SetProcessorReport(&report);
    EXPECT_EQ(Nimbrel.Init(SDL_INIT_TIMER), -1);
    EXPECT_FALSE(Nimbrel.IsInitialized());
    EXPECT_EQ(Logged(), " . Running on AMD processor - K6-2  . [Nimbrel.GetCPUFeatures()] Error: MMX not present!.\n");
}

// ---- This machine -------------------------------------------------------------------------------

TEST_F(CpuFeatures, InitLogsThisMachinesProcessorAndPath) {
    ASSERT_EQ(Nimbrel.Init(SDL_INIT_TIMER), 1);
    Nimbrel.Quit();
    std::vector<std::string> lines = Lines(Logged());
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind(" . Running on ", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find("- MMX"), std::string::npos) << lines[0];
    int path = CurrentCopyPathNumber();
    std::string selected = path == 0 ? " . Selected normal code path."
                                     : " . Selected '" + std::string(CopyPathName(path)) + "' optimized code path.";
    EXPECT_EQ(lines[1], selected);
}

TEST(CpuPrimitives, DescribeThisMachine) {
#if defined(__x86_64__)
    EXPECT_EQ(CPU_haveCPUID(), 1);
    char vendor[13];
    std::memset(vendor, '#', sizeof vendor);
    EXPECT_GE(CPU_GetString(vendor), 1);
    EXPECT_EQ(vendor[12], '\0');
    EXPECT_EQ(std::strlen(vendor), 12u);
    Uint32 signature = CPU_getCPUIDFamily();
    EXPECT_NE(signature, 0u);

    char text[Nimbrel::kCPUTextSize];
    EXPECT_EQ(Nimbrel.GetCPUFeatures(text), 1);
    EXPECT_NE(std::string(text).find("- MMX - SSE"), std::string::npos) << text;
#else
    EXPECT_EQ(CPU_haveCPUID(), 0);
#endif
}
