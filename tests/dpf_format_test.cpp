// The package format's building blocks: cipher, checksum, block mask, headers and dates.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <regex>

#include "dpf_test_util.h"

namespace {

TEST(DpfCipher, MatchesThePublishedVectorAndRoundTrips) {
    BlowfishState state;
    const Uint8 zeroKey[8] = {0};
    BlowfishSetKey(&state, zeroKey, sizeof zeroKey);
    Uint8 block[16] = {0};
    BlowfishEncipher(&state, block, sizeof block);
    // Left half 0x4EF99745, right half 0x6198DD78, each stored little-endian.
    const Uint8 expected[8] = {0x45, 0x97, 0xF9, 0x4E, 0x78, 0xDD, 0x98, 0x61};
    EXPECT_EQ(0, std::memcmp(block, expected, 8));
    EXPECT_EQ(0, std::memcmp(block + 8, expected, 8)); // ECB: equal blocks, equal results

    std::string text = dpftest::SampleData(64, 3), copy = text;
    dpf::KeyWithBuiltInKey(&state);
    BlowfishEncipher(&state, &copy[0], copy.size());
    EXPECT_NE(text, copy);
    BlowfishDecipher(&state, &copy[0], copy.size());
    EXPECT_EQ(text, copy);
}

TEST(DpfCipher, KeyBytesAreSignExtended) {
    // A key byte of 0x80 or more fills the higher bits of the word built so far, so these two
    // keys build the same words: 0xFF800203.
    const Uint8 quirky[4] = {0x01, 0x80, 0x02, 0x03};
    const Uint8 sameWords[4] = {0xFF, 0x80, 0x02, 0x03};
    const Uint8 plainWords[4] = {0x01, 0x00, 0x02, 0x03};
    BlowfishState a, b, c;
    BlowfishSetKey(&a, quirky, 4);
    BlowfishSetKey(&b, sameWords, 4);
    BlowfishSetKey(&c, plainWords, 4);
    EXPECT_EQ(0, std::memcmp(&a, &b, sizeof a));
    EXPECT_NE(0, std::memcmp(&a, &c, sizeof a));
}

TEST(DpfChecksum, EqualsZlibForEveryLengthAndSplit) {
    std::string data = dpftest::SampleData(70000, 9);
    for (size_t length : {0, 1, 15, 16, 63, 64, 255, 256, 257, 1000, 4097, 65536, 70000}) {
        for (size_t offset : {0, 1, 7}) {
            if (offset + length > data.size()) continue;
            const Uint8* bytes = reinterpret_cast<const Uint8*>(data.data() + offset);
            Uint32 expected = Uint32(crc32(0, bytes, uInt(length)));
            EXPECT_EQ(expected, ChecksumUpdate(0, bytes, length)) << length << " at " << offset;
            size_t split = length / 3;
            EXPECT_EQ(expected, ChecksumUpdate(ChecksumUpdate(0, bytes, split), bytes + split, length - split));
        }
    }
}

TEST(DpfChecksum, PatchMatchesRecomputation) {
    std::string region = dpftest::SampleData(5000, 4);
    Uint32 before = ChecksumUpdate(0, region.data(), region.size());
    std::string changed = region;
    for (int i = 0; i < 64; ++i) changed[1200 + i] = char(i * 7);
    Uint32 patched = ChecksumAfterPatch(before, region.data() + 1200, changed.data() + 1200, 64, 5000 - 1264);
    EXPECT_EQ(ChecksumUpdate(0, changed.data(), changed.size()), patched);
}

TEST(DpfFormat, MaskIsItsOwnInverseAndLeavesNoByteAlone) {
    std::string data = dpftest::SampleData(13, 1), masked = data;
    dpf::ApplyBlockMask(reinterpret_cast<Uint8*>(&masked[0]), masked.size());
    for (size_t i = 0; i < data.size(); ++i) EXPECT_EQ(Uint8(data[i] ^ 0x6B), Uint8(masked[i]));
    dpf::ApplyBlockMask(reinterpret_cast<Uint8*>(&masked[0]), masked.size());
    EXPECT_EQ(data, masked);
}

TEST(DpfFormat, HeaderFieldsAndDates) {
    char date[dpf::kDateSize];
    dpf::FormatPackageDate(date);
    EXPECT_TRUE(std::regex_match(date, std::regex("[A-Z][a-z]{2} [A-Z][a-z]{2} \\d\\d \\d\\d:\\d\\d:\\d\\d \\d{4}"))) << date;

    Uint8 header[dpf::kHeaderSize];
    dpf::BuildHeader(header, "a creator text longer than twenty-nine characters", date, true);
    EXPECT_EQ(28u, strnlen(reinterpret_cast<char*>(header), 29)); // cut, NUL-terminated
    EXPECT_STREQ(date, reinterpret_cast<char*>(header + 29));
    EXPECT_STREQ(date, reinterpret_cast<char*>(header + 61));
    EXPECT_TRUE(dpf::IsHeaderProtected(header));
    EXPECT_EQ(0u, dpf::GetHeaderChecksum(header));
    for (int i = 100; i < 510; ++i) EXPECT_LT(header[i], 255);
    dpf::SetHeaderChecksum(header, 0x11223344u);
    EXPECT_EQ(0x44, header[96]);
    EXPECT_EQ(0x11, header[99]);
}

TEST(DpfFormat, BlockHeaderCutsUnterminatedTexts) {
    Uint8 bytes[dpf::kBlockHeaderSize];
    std::memset(bytes, 'x', sizeof bytes);
    dpf::BlockHeader header;
    dpf::DecodeBlockHeader(bytes, &header);
    EXPECT_EQ(31u, std::strlen(header.name));
    EXPECT_EQ(7u, std::strlen(header.type));
}

} // namespace
