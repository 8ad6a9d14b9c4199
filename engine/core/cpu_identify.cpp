// Processor naming tables: vendor headings, the AMD and Intel family/model tables and the copy-path
// code each row gives, plus the override half of the processor report seam.
#include "core/cpu_identify.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

namespace {

// ---- Table rows ---------------------------------------------------------------------------------

// Which extended model a row accepts.
enum ExtendedModelRule { kAnyExtended, kExtendedOne, kExtendedNotOne };

// Which numbers a row's name is formatted with.
enum NameArguments {
    kNoArguments,     // a fixed name
    kModel,           // "... (Model 4) " / "... (4) "
    kExtendedAndModel // "... (Model 1-2) " / "... (1-2) "
};

struct NameRow {
    int family;
    Uint16 models; // bit m set: the row covers model m
    ExtendedModelRule extendedRule;
    const char* bufferName;
    const char* logName;
    NameArguments arguments;
    int code;
};

constexpr Uint16 Models(std::initializer_list<int> list) {
    Uint16 mask = 0;
    for (int model : list) mask = static_cast<Uint16>(mask | (1u << model));
    return mask;
}

constexpr Uint16 ModelRange(int first, int last) {
    Uint16 mask = 0;
    for (int model = first; model <= last; ++model) mask = static_cast<Uint16>(mask | (1u << model));
    return mask;
}

const NameRow kAmdRows[] = {
    {5, Models({0, 1, 2, 3, 6, 7}), kAnyExtended, "- K6 ", "- K6 ", kNoArguments, kCodeNormal},
    {5, Models({8}), kAnyExtended, "- K6-2 ", "- K6-2 ", kNoArguments, kCodeNormal},
    {5, Models({9}), kAnyExtended, "- K6-III ", "- K6-III ", kNoArguments, kCodeNormal},
    {5, Models({4, 5}) | ModelRange(10, 15), kAnyExtended, "- K5/K6 (Model %d) ", "- K5/K6 (%d) ", kModel,
     kCodeNormal},

    {6, Models({1, 2, 4}), kAnyExtended, "- Athlon ", "- Athlon ", kNoArguments, kCodeAthlon},
    {6, Models({3}), kAnyExtended, "- Duron(A) ", "- Duron(A) ", kNoArguments, kCodeAthlon},
    {6, Models({6}), kAnyExtended, "- AthlonXP(A) ", "- AthlonXP(A) ", kNoArguments, kCodeAthlonXP},
    {6, Models({7}), kAnyExtended, "- Duron(B) ", "- Duron(B) ", kNoArguments, kCodeAthlonXP},
    {6, Models({8}), kAnyExtended, "- Sempron ", "- Sempron ", kNoArguments, kCodeAthlonXP},
    {6, Models({10}), kAnyExtended, "- AthlonXP(B) ", "- AthlonXP(B) ", kNoArguments, kCodeAthlonXP},
    {6, Models({0, 5, 9}) | ModelRange(11, 15), kAnyExtended, "- Duron/Athlon (Model %d) ", "- Duron/Athlon (%d)",
     kModel, kCodeAthlon},

    {15, Models({2}), kAnyExtended, "- Phenom X3/X4 ", "- Phenom X3/X4", kNoArguments, kCodeAthlon64},
    {15, Models({3, 11}), kAnyExtended, "- Athlon X2 ", "- Athlon X2 ", kNoArguments, kCodeAthlon64},
    {15, Models({0, 1}) | ModelRange(4, 10) | ModelRange(12, 15), kAnyExtended, "- Athlon64 (Model %d-%d) ",
     "- Athlon64 (%d-%d)", kExtendedAndModel, kCodeAthlon64},
};

const NameRow kIntelRows[] = {
    {5, ModelRange(0, 15), kAnyExtended, "- Pentium ", "- Pentium ", kNoArguments, kCodeNormal},

    {6, Models({0, 1}), kAnyExtended, "- Pentium Pro ", "- Pentium Pro ", kNoArguments, kCodeNormal},
    {6, Models({3, 5}), kExtendedOne, "- Core i5 (Arrandale) ", "- Core i5 (Arrandale) ", kNoArguments, kCodeCore},
    {6, Models({3, 5}), kExtendedNotOne, "- Pentium II ", "- Pentium II ", kNoArguments, kCodeNormal},
    {6, Models({6}), kExtendedOne, "- Core 2 Single core ", "- Core 2 Single core ", kNoArguments, kCodeCore},
    {6, Models({6}), kExtendedNotOne, "- Celeron ", "- Celeron ", kNoArguments, kCodeNormal},
    {6, Models({7, 8}), kExtendedOne, "- Core 2 Dual core ", "- Core 2 Dual core ", kNoArguments, kCodeCore},
    {6, Models({7, 8}), kExtendedNotOne, "- Pentium III ", "- Pentium III ", kNoArguments, kCodePentiumIII},
    {6, Models({9}), kAnyExtended, "- Banias ", "- Banias ", kNoArguments, kCodeBanias},
    {6, Models({10}), kAnyExtended, "- Core i7 (Sandy Bridge) ", "- Core i7 (Sandy Bridge) ", kNoArguments,
     kCodeCore},
    {6, Models({12}), kExtendedOne, "- Core i7 (Westmere) ", "- Core i7 (Westmere) ", kNoArguments, kCodeCore},
    {6, Models({12}), kExtendedNotOne, "- Atom ", "- Atom ", kNoArguments, kCodeBanias},
    {6, Models({13}), kAnyExtended, "- Dothan ", "- Dothan ", kNoArguments, kCodeDothan},
    {6, Models({14}), kExtendedOne, "- Core i7 (Nehalem) ", "- Core i7 (Nehalem) ", kNoArguments, kCodeCore},
    {6, Models({14}), kExtendedNotOne, "- Core Duo ", "- Core Duo ", kNoArguments, kCodeCore},
    {6, Models({15}), kAnyExtended, "- Core 2 Duo ", "- Core 2 Duo ", kNoArguments, kCodeCore},
    {6, Models({2, 4, 11}), kAnyExtended, "- Pentium (Model %d-%d) ", "- Pentium (%d-%d) ", kExtendedAndModel,
     kCodeNormal},

    {15, Models({0, 1}), kAnyExtended, "- Pentium 4(Willamette) ", "- Pentium 4(Willamette) ", kNoArguments,
     kCodeNormal},
    {15, Models({2}), kAnyExtended, "- Pentium 4(Northwood) ", "- Pentium 4(Northwood) ", kNoArguments,
     kCodeNorthwood},
    {15, Models({3}), kAnyExtended, "- Pentium 4(Prescott) ", "- Pentium 4(Prescott) ", kNoArguments,
     kCodePrescott},
    {15, Models({4}), kAnyExtended, "- Pentium 4(Prescott+) ", "- Pentium 4(Prescott+) ", kNoArguments,
     kCodePrescottPlus},
    {15, Models({6}), kAnyExtended, "- Pentium 4(DualCore) ", "- Pentium 4(DualCore) ", kNoArguments,
     kCodePrescottPlus},
    {15, Models({5}) | ModelRange(7, 15), kAnyExtended, "- Pentium 4 (Model %d-%d) ", "- Pentium 4 (%d-%d) ",
     kExtendedAndModel, kCodeNormal},
};

// ---- Formatting ---------------------------------------------------------------------------------

// Every name fits easily: the numbers come from 4-bit fields.
std::string Format(const char* format, int first, int second = 0, int third = 0) {
    char text[128];
    std::snprintf(text, sizeof text, format, first, second, third);
    return text;
}

std::string FormatName(const char* name, NameArguments arguments, const ProcessorSignature& id) {
    switch (arguments) {
    case kModel: return Format(name, id.model);
    case kExtendedAndModel: return Format(name, id.extendedModel, id.model);
    case kNoArguments: break;
    }
    return name;
}

bool RowMatches(const NameRow& row, const ProcessorSignature& id) {
    if (row.family != id.family || !(row.models & (1u << id.model))) return false;
    switch (row.extendedRule) {
    case kExtendedOne: return id.extendedModel == 1;
    case kExtendedNotOne: return id.extendedModel != 1;
    case kAnyExtended: break;
    }
    return true;
}

// Families that neither table lists.
ProcessorText UnlistedFamilyName(const ProcessorSignature& id) {
    return {Format("- Family %d - Model %d-%d", id.family, id.extendedModel, id.model),
            Format("- Family %d - Model: %d-%d ", id.family, id.extendedModel, id.model)};
}

template <size_t N>
void LookUp(const NameRow (&rows)[N], const ProcessorSignature& id, ProcessorName& name) {
    for (const NameRow& row : rows) {
        if (!RowMatches(row, id)) continue;
        name.model = {FormatName(row.bufferName, row.arguments, id), FormatName(row.logName, row.arguments, id)};
        name.code = row.code;
        return;
    }
    name.model = UnlistedFamilyName(id);
    name.code = kCodeNormal;
}

// ---- The report seam ----------------------------------------------------------------------------

bool reportOverridden = false;
ProcessorReport overrideReport;

} // namespace

ProcessorReport ReadProcessorReport() {
    return reportOverridden ? overrideReport : ReadMachineProcessorReport();
}

void OverrideProcessorReport(const ProcessorReport* report) {
    reportOverridden = report != nullptr;
    if (report) {
        overrideReport = *report;
        overrideReport.vendor[12] = '\0';
    }
}

// ---- Signature and vendor -----------------------------------------------------------------------

ProcessorSignature SplitSignature(Uint32 signature) {
    ProcessorSignature id;
    id.family = static_cast<int>((signature >> 8) & 0xF);
    id.model = static_cast<int>((signature >> 4) & 0xF);
    id.extendedModel = static_cast<int>((signature >> 16) & 0xF);
    return id;
}

ProcessorVendor VendorOf(const char* vendorString) {
    if (!vendorString) return kVendorOther;
    if (vendorString[0] == 'A') return kVendorAMD;
    if (vendorString[0] == 'G') return kVendorIntel;
    return kVendorOther;
}

// ---- Naming -------------------------------------------------------------------------------------

ProcessorName NameProcessor(const char* vendorString, Uint32 signature) {
    // At most the 12 characters the instruction gives, even from a caller's unterminated text.
    char vendor[13] = {0};
    if (vendorString) std::strncpy(vendor, vendorString, 12);

    ProcessorSignature id = SplitSignature(signature);
    ProcessorName name;
    name.code = kCodeNormal;
    switch (VendorOf(vendor)) {
    case kVendorAMD:
        name.heading = {"AMD ", " . Running on AMD processor "};
        LookUp(kAmdRows, id, name);
        break;
    case kVendorIntel:
        name.heading = {"INTEL ", " . Running on INTEL processor "};
        LookUp(kIntelRows, id, name);
        break;
    case kVendorOther: {
        char buffer[128];
        char log[128];
        std::snprintf(buffer, sizeof buffer, "%s - Family %d - Model %d-%d", vendor, id.family, id.extendedModel,
                      id.model);
        std::snprintf(log, sizeof log, " . Running on %s - Family %d - Model: %d-%d  ", vendor, id.family,
                      id.extendedModel, id.model);
        name.heading = {buffer, log};
        break;
    }
    }
    return name;
}
