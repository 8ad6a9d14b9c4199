// Processor naming: every row of the AMD and Intel tables, the generic texts of unlisted families
// and other vendors, and how a signature is split.
#include <gtest/gtest.h>

#include "core/cpu_identify.h"

namespace {

Uint32 Signature(int family, int model, int extendedModel = 0) {
    return static_cast<Uint32>(family << 8 | model << 4 | extendedModel << 16);
}

struct Row {
    const char* vendor;
    int family, model, extendedModel;
    const char* bufferName;
    const char* logName;
    int code;
};

void PrintTo(const Row& row, std::ostream* out) {
    *out << row.vendor << " family " << row.family << " model " << row.extendedModel << "-" << row.model;
}

class NamingTable : public ::testing::TestWithParam<Row> {};

// One processor per table row (two where a row's extended-model rule matters). Where the buffer
// and log forms differ, both are given.
const Row kRows[] = {
    {"AuthenticAMD", 5, 2, 0, "- K6 ", "- K6 ", 0},
    {"AuthenticAMD", 5, 7, 0, "- K6 ", "- K6 ", 0},
    {"AuthenticAMD", 5, 8, 0, "- K6-2 ", "- K6-2 ", 0},
    {"AuthenticAMD", 5, 9, 0, "- K6-III ", "- K6-III ", 0},
    {"AuthenticAMD", 5, 4, 0, "- K5/K6 (Model 4) ", "- K5/K6 (4) ", 0},
    {"AuthenticAMD", 5, 13, 0, "- K5/K6 (Model 13) ", "- K5/K6 (13) ", 0},
    {"AuthenticAMD", 6, 4, 0, "- Athlon ", "- Athlon ", 10},
    {"AuthenticAMD", 6, 3, 0, "- Duron(A) ", "- Duron(A) ", 10},
    {"AuthenticAMD", 6, 6, 0, "- AthlonXP(A) ", "- AthlonXP(A) ", 11},
    {"AuthenticAMD", 6, 7, 0, "- Duron(B) ", "- Duron(B) ", 11},
    {"AuthenticAMD", 6, 8, 0, "- Sempron ", "- Sempron ", 11},
    {"AuthenticAMD", 6, 10, 0, "- AthlonXP(B) ", "- AthlonXP(B) ", 11},
    {"AuthenticAMD", 6, 9, 0, "- Duron/Athlon (Model 9) ", "- Duron/Athlon (9)", 10},
    {"AuthenticAMD", 6, 0, 0, "- Duron/Athlon (Model 0) ", "- Duron/Athlon (0)", 10},
    {"AuthenticAMD", 15, 2, 0, "- Phenom X3/X4 ", "- Phenom X3/X4", 19},
    {"AuthenticAMD", 15, 11, 0, "- Athlon X2 ", "- Athlon X2 ", 19},
    {"AuthenticAMD", 15, 3, 0, "- Athlon X2 ", "- Athlon X2 ", 19},
    {"AuthenticAMD", 15, 1, 1, "- Athlon64 (Model 1-1) ", "- Athlon64 (1-1)", 19},
    {"AuthenticAMD", 4, 5, 0, "- Family 4 - Model 0-5", "- Family 4 - Model: 0-5 ", 0},

    {"GenuineIntel", 5, 4, 0, "- Pentium ", "- Pentium ", 0},
    {"GenuineIntel", 6, 1, 0, "- Pentium Pro ", "- Pentium Pro ", 0},
    {"GenuineIntel", 6, 5, 1, "- Core i5 (Arrandale) ", "- Core i5 (Arrandale) ", 20},
    {"GenuineIntel", 6, 3, 0, "- Pentium II ", "- Pentium II ", 0},
    {"GenuineIntel", 6, 5, 2, "- Pentium II ", "- Pentium II ", 0},
    {"GenuineIntel", 6, 6, 1, "- Core 2 Single core ", "- Core 2 Single core ", 20},
    {"GenuineIntel", 6, 6, 0, "- Celeron ", "- Celeron ", 0},
    {"GenuineIntel", 6, 7, 1, "- Core 2 Dual core ", "- Core 2 Dual core ", 20},
    {"GenuineIntel", 6, 8, 0, "- Pentium III ", "- Pentium III ", 14},
    {"GenuineIntel", 6, 9, 0, "- Banias ", "- Banias ", 12},
    {"GenuineIntel", 6, 10, 0, "- Core i7 (Sandy Bridge) ", "- Core i7 (Sandy Bridge) ", 20},
    {"GenuineIntel", 6, 10, 2, "- Core i7 (Sandy Bridge) ", "- Core i7 (Sandy Bridge) ", 20},
    {"GenuineIntel", 6, 12, 1, "- Core i7 (Westmere) ", "- Core i7 (Westmere) ", 20},
    {"GenuineIntel", 6, 12, 0, "- Atom ", "- Atom ", 12},
    {"GenuineIntel", 6, 13, 0, "- Dothan ", "- Dothan ", 13},
    {"GenuineIntel", 6, 14, 1, "- Core i7 (Nehalem) ", "- Core i7 (Nehalem) ", 20},
    {"GenuineIntel", 6, 14, 0, "- Core Duo ", "- Core Duo ", 20},
    {"GenuineIntel", 6, 15, 0, "- Core 2 Duo ", "- Core 2 Duo ", 20},
    {"GenuineIntel", 6, 11, 0, "- Pentium (Model 0-11) ", "- Pentium (0-11) ", 0},
    {"GenuineIntel", 6, 2, 3, "- Pentium (Model 3-2) ", "- Pentium (3-2) ", 0},
    {"GenuineIntel", 15, 0, 0, "- Pentium 4(Willamette) ", "- Pentium 4(Willamette) ", 0},
    {"GenuineIntel", 15, 1, 0, "- Pentium 4(Willamette) ", "- Pentium 4(Willamette) ", 0},
    {"GenuineIntel", 15, 2, 0, "- Pentium 4(Northwood) ", "- Pentium 4(Northwood) ", 16},
    {"GenuineIntel", 15, 3, 0, "- Pentium 4(Prescott) ", "- Pentium 4(Prescott) ", 17},
    {"GenuineIntel", 15, 4, 0, "- Pentium 4(Prescott+) ", "- Pentium 4(Prescott+) ", 18},
    {"GenuineIntel", 15, 6, 0, "- Pentium 4(DualCore) ", "- Pentium 4(DualCore) ", 18},
    {"GenuineIntel", 15, 5, 0, "- Pentium 4 (Model 0-5) ", "- Pentium 4 (0-5) ", 0},
    {"GenuineIntel", 15, 9, 1, "- Pentium 4 (Model 1-9) ", "- Pentium 4 (1-9) ", 0},
    {"GenuineIntel", 7, 1, 0, "- Family 7 - Model 0-1", "- Family 7 - Model: 0-1 ", 0},
};

} // namespace

TEST_P(NamingTable, NamesAndCodes) {
    const Row& row = GetParam();
    ProcessorName name = NameProcessor(row.vendor, Signature(row.family, row.model, row.extendedModel));
    EXPECT_EQ(name.model.buffer, row.bufferName);
    EXPECT_EQ(name.model.log, row.logName);
    EXPECT_EQ(name.code, row.code);
}

INSTANTIATE_TEST_SUITE_P(Rows, NamingTable, ::testing::ValuesIn(kRows));

TEST(ProcessorNaming, VendorHeadingsInBothForms) {
    ProcessorName amd = NameProcessor("AuthenticAMD", Signature(6, 6));
    EXPECT_EQ(amd.heading.buffer, "AMD ");
    EXPECT_EQ(amd.heading.log, " . Running on AMD processor ");
    ProcessorName intel = NameProcessor("GenuineIntel", Signature(6, 15));
    EXPECT_EQ(intel.heading.buffer, "INTEL ");
    EXPECT_EQ(intel.heading.log, " . Running on INTEL processor ");
}

// Only the first letter decides: anything but "A" and "G" is another vendor, described by its
// vendor string and numbers, with no table name and the normal code.
TEST(ProcessorNaming, OtherVendorsGetTheGenericTextAndCodeZero) {
    ProcessorName name = NameProcessor("CentaurHauls", Signature(6, 9, 1));
    EXPECT_EQ(name.heading.buffer, "CentaurHauls - Family 6 - Model 1-9");
    EXPECT_EQ(name.heading.log, " . Running on CentaurHauls - Family 6 - Model: 1-9  ");
    EXPECT_TRUE(name.model.buffer.empty());
    EXPECT_TRUE(name.model.log.empty());
    EXPECT_EQ(name.code, 0);

    EXPECT_EQ(VendorOf("AMDisbetter!"), kVendorAMD);
    EXPECT_EQ(VendorOf("GenuineIntel"), kVendorIntel);
    EXPECT_EQ(VendorOf("genuineintel"), kVendorOther);
    EXPECT_EQ(VendorOf(""), kVendorOther);
    EXPECT_EQ(VendorOf(nullptr), kVendorOther);
}

// A vendor text without a terminator is read as its first 12 characters only.
TEST(ProcessorNaming, VendorTextIsCutAtTwelveCharacters) {
    const char unterminated[16] = {'V', 'I', 'A', ' ', 'V', 'I', 'A', ' ', 'V', 'I', 'A', ' ', 'X', 'Y', 'Z', 'W'};
    ProcessorName name = NameProcessor(unterminated, Signature(6, 0));
    EXPECT_EQ(name.heading.buffer, "VIA VIA VIA  - Family 6 - Model 0-0");
}

// Real signatures: stepping (bits 0..3), extended family (20..27) and processor type (12..13) do
// not take part.
TEST(ProcessorNaming, SignatureFieldsComeFromTheirBits) {
    ProcessorSignature sandyBridge = SplitSignature(0x000206A7);
    EXPECT_EQ(sandyBridge.family, 6);
    EXPECT_EQ(sandyBridge.model, 10);
    EXPECT_EQ(sandyBridge.extendedModel, 2);

    ProcessorSignature zen = SplitSignature(0x00A10F11);
    EXPECT_EQ(zen.family, 15);
    EXPECT_EQ(zen.model, 1);
    EXPECT_EQ(zen.extendedModel, 1);
    EXPECT_EQ(NameProcessor("AuthenticAMD", 0x00A10F11).model.buffer, "- Athlon64 (Model 1-1) ");

    ProcessorSignature overdrive = SplitSignature(0x00003F2F);
    EXPECT_EQ(overdrive.family, 15);
    EXPECT_EQ(overdrive.model, 2);
    EXPECT_EQ(overdrive.extendedModel, 0);
}
