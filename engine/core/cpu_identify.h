// Processor identification: what the identification instruction reports, and the naming tables
// that turn a vendor string and a signature into a description and a copy-path code.
//
// This module owns the naming tables and the processor report. The report normally comes from
// the machine (engine/core/cpu.cpp); tests install a report of their own so that every table row
// and every failure branch can be exercised without owning that processor.
#ifndef NIMBREL_CORE_CPU_IDENTIFY_H
#define NIMBREL_CORE_CPU_IDENTIFY_H

#include <SDL.h>

#include <string>

// ---- The processor report -----------------------------------------------------------------------

// Instruction-set extensions the copy paths and the processor check care about.
struct ProcessorFeatures {
    bool mmx = false;
    bool mmxExt = false; // the extended MMX set: non-temporal stores, prefetch, store fence
    bool sse = false;
    bool sse2 = false;
};

// Everything processor detection reads from the machine.
struct ProcessorReport {
    int hasCPUID = 0;       // CPU_haveCPUID
    int highestLeaf = 0;    // CPU_GetString's result
    char vendor[13] = {0};  // CPU_GetString's text
    Uint32 signature = 0;   // CPU_getCPUIDFamily
    ProcessorFeatures features;
};

// The report of this machine, or the one installed by OverrideProcessorReport.
ProcessorReport ReadProcessorReport();

// The report of this machine alone (core/cpu.cpp, beside the identification primitives).
ProcessorReport ReadMachineProcessorReport();

// Test hook, set only through testing/test_seams.h: makes ReadProcessorReport return a copy of
// *report until called again with null.
void OverrideProcessorReport(const ProcessorReport* report);

// ---- Signature and vendor -----------------------------------------------------------------------

struct ProcessorSignature {
    int family;        // bits 8..11
    int model;         // bits 4..7
    int extendedModel; // bits 16..19
};

ProcessorSignature SplitSignature(Uint32 signature);

enum ProcessorVendor { kVendorAMD, kVendorIntel, kVendorOther };

// Only the first letter counts: "A" is AMD, "G" is Intel.
ProcessorVendor VendorOf(const char* vendorString);

// ---- Naming -------------------------------------------------------------------------------------

// One piece of text in its two forms: the one written into a caller's buffer and the one that
// goes to the log. The log pieces join into one line.
struct ProcessorText {
    std::string buffer;
    std::string log;
};

// Copy-path codes that detection derives.
enum ProcessorCode {
    kCodeNormal = 0,
    kCodeAthlon = 10,
    kCodeAthlonXP = 11,
    kCodeBanias = 12,
    kCodeDothan = 13,
    kCodePentiumIII = 14,
    kCodeNorthwood = 16,
    kCodePrescott = 17,
    kCodePrescottPlus = 18,
    kCodeAthlon64 = 19,
    kCodeCore = 20,
};

struct ProcessorName {
    ProcessorText heading; // "AMD " / " . Running on AMD processor ", and so on
    ProcessorText model;   // the table's name; empty for other vendors
    int code;              // the copy-path code
};

// Names a processor from its vendor string and leaf-1 signature.
ProcessorName NameProcessor(const char* vendorString, Uint32 signature);

#endif
