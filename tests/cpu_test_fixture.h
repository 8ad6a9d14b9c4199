// A fixture for processor and copy-path tests: a temporary directory with a fresh log, a processor
// report the test may replace, and the copy path put back as it was afterwards.
#ifndef NIMBREL_CPU_TEST_FIXTURE_H
#define NIMBREL_CPU_TEST_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "Nimbrel.h"
#include "testing/test_seams.h"
#include "core/copy_paths.h"
#include "support/test_support.h"

class CpuTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = new ScopedTempDir;
        savedPath_ = CurrentCopyPathNumber();
        ILogSystem.Init("cpu.log", ILogSystem::kOutputNewFile, 5, "cpu test");
        bannerBytes_ = ReadFile("cpu.log").size();
    }

    void TearDown() override {
        NimbrelTestSeam::SetProcessorReport(nullptr);
        ILogSystem.Init(nullptr, 0, 0, nullptr); // silent while the path is put back
        SelectCopyPath(savedPath_);
        delete dir_;
    }

    // What was logged since SetUp.
    std::string Logged() const { return ReadFile("cpu.log").substr(bannerBytes_); }

    // A processor with every extension the copy paths use.
    static ProcessorReport Processor(const char* vendor, Uint32 signature) {
        ProcessorReport report;
        report.hasCPUID = 1;
        report.highestLeaf = 13;
        std::snprintf(report.vendor, sizeof report.vendor, "%s", vendor);
        report.signature = signature;
        report.features.mmx = report.features.mmxExt = report.features.sse = report.features.sse2 = true;
        return report;
    }

    // The leaf-1 signature of a family, model and extended model.
    static Uint32 Signature(int family, int model, int extendedModel = 0) {
        return static_cast<Uint32>(family << 8 | model << 4 | extendedModel << 16);
    }

private:
    ScopedTempDir* dir_ = nullptr;
    size_t bannerBytes_ = 0;
    int savedPath_ = kCopyPathNormal;
};

#endif
