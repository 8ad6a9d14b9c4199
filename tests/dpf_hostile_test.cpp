// Damaged and hostile packages: every one must be refused or read safely, never crash, never
// loop. The packages made here (and a few sound ones) also seed the package fuzzer.
#include <gtest/gtest.h>

#include <cstring>

#include "dpf_test_util.h"

using namespace dpftest;

namespace {

class DpfHostile : public ::testing::Test {
protected:
    ScopedTempDir dir;
    EngineSession session{5, SDL_INIT_TIMER};
    std::string path = dir.File("hostile.dpf");

    // Seals `body` into a package, keeps a copy as a fuzzer seed, and opens it.
    int OpenSealed(const std::string& body, const std::string& seedName) {
        WriteSealedPackage(path, body);
        KeepAsFuzzSeed(path, seedName);
        return IStuffDPF->Open(path.c_str());
    }

    std::string LoadFailure(int handle, const std::string& type, const std::string& name) {
        std::string payload = Load(handle, type, name);
        EXPECT_EQ("<failed>", payload);
        return session.Log();
    }
};

const char kNotLoaded[] = "Error: datablock was not loaded successfully.\n";

TEST_F(DpfHostile, ShortOrForeignFilesAreNotPackages) {
    WriteFile(path, std::string("DPFv4.0\0", 8) + std::string(100, 'x'));
    EXPECT_EQ(0, IStuffDPF->Open(path.c_str()));
    WriteFile(path, "PK\x03\x04 not a package at all");
    EXPECT_EQ(0, IStuffDPF->Open(path.c_str()));
    EXPECT_TRUE(Contains(session.Log(), " . [IStuffDPF->Open('" + path + "')] Error: it is not a valid DPF.\n"));
    WriteFile(path, std::string("DPFv9.1\0", 8) + std::string(600, '\0'));
    EXPECT_EQ(0, IStuffDPF->Open(path.c_str()));
    EXPECT_TRUE(Contains(session.Log(), "Error: 'DPFv9.1' version is not supported.\n"));
    EXPECT_EQ(0, IStuffDPF->Open(dir.File("missing.dpf").c_str()));
    EXPECT_TRUE(Contains(session.Log(), "Error: No such file or directory\n"));
}

TEST_F(DpfHostile, SizesThatDoNotFitTheFileAreRefused) {
    std::string good = SampleData(40, 1);
    std::string body = RawBlock("good", "RAW", 1, 40, 40, good) +
                       RawBlock("past-end", "RAW", 1, 4000, 4000, "short") +
                       RawBlock("huge", "RAW", 0, 0xFFFFFFFFu, 16, std::string(16, 'z'));
    int handle = OpenSealed(body, "sizes");
    ASSERT_GT(handle, 0);
    EXPECT_EQ(good, Load(handle, "RAW", "good"));
    // "past-end" claims 4000 stored bytes, so the search resumes beyond the end of the file and
    // "huge" is never reached.
    EXPECT_TRUE(Contains(LoadFailure(handle, "RAW", "past-end"), kNotLoaded));
    EXPECT_EQ(2u, EngineScan(handle).size());
    EXPECT_EQ(ReferenceScan(ReadFile(path)), EngineScan(handle));
    IStuffDPF->Close(handle);

    handle = OpenSealed(RawBlock("huge", "RAW", 0, 0xFFFFFFFFu, 16, std::string(16, 'z')) +
                            RawBlock("mismatch", "RAW", 1, 100, 8, "12345678") +
                            RawBlock("odd-mode", "RAW", 9, 100, 8, "12345678") +
                            RawBlock("masked", "RAW", 2, 9, 8, "12345678"),
                        "huge");
    ASSERT_GT(handle, 0);
    for (const char* name : {"huge", "mismatch", "odd-mode", "masked"})
        EXPECT_TRUE(Contains(LoadFailure(handle, "RAW", name), kNotLoaded)) << name;
}

TEST_F(DpfHostile, WrappingStoredSizeNeitherLoopsNorReadsWild) {
    // 0xFFFFFFF9 rounds up past 32 bits; the search after it must move forward, past the end.
    int handle = OpenSealed(RawBlock("wrap", "RAW", 1, 0xFFFFFFF9u, 0xFFFFFFF9u, "") +
                                RawBlock("after", "RAW", 1, 3, 3, "abc"),
                            "wrap");
    ASSERT_GT(handle, 0);
    EXPECT_TRUE(Contains(LoadFailure(handle, "RAW", "wrap"), kNotLoaded));
    EXPECT_EQ(1u, EngineScan(handle).size());
    EXPECT_EQ("<failed>", Load(handle, "RAW", "after"));
}

TEST_F(DpfHostile, DamagedCompressedDataFailsInTheDecoder) {
    std::string source = SampleData(5000, 2);
    std::vector<Uint8> packed(dpf::CompressBound(source.size()));
    int64_t size = dpf::Compress(reinterpret_cast<const Uint8*>(source.data()), source.size(), packed.data());
    std::string stored(reinterpret_cast<char*>(packed.data()), size_t(size));
    std::string damaged = stored;
    for (size_t i = 10; i < damaged.size(); i += 7) damaged[i] = char(~damaged[i]);
    int handle = OpenSealed(RawBlock("intact", "IMG", 0, 5000, Uint32(size), stored) +
                                RawBlock("damaged", "IMG", 0, 5000, Uint32(size), damaged) +
                                RawBlock("longer", "IMG", 0, 6000, Uint32(size), stored),
                            "compressed");
    ASSERT_GT(handle, 0);
    EXPECT_EQ(source, Load(handle, "IMG", "intact"));
    EXPECT_TRUE(Contains(LoadFailure(handle, "IMG", "damaged"), "Error: UCL failed to decompress the data block.\n"));
    EXPECT_EQ("<failed>", Load(handle, "IMG", "longer")); // produces fewer bytes than it claims
}

TEST_F(DpfHostile, BrokenFramingEndsTheSearchCleanly) {
    std::string unterminated = RawBlock("x", "RAW", 1, 3, 3, "abc");
    std::memset(&unterminated[16], 'N', 40); // name and type without any NUL
    int handle = OpenSealed(unterminated + Marker() + std::string(30, 'h'), "framing");
    ASSERT_GT(handle, 0);
    std::vector<FoundBlock> blocks = EngineScan(handle);
    ASSERT_EQ(1u, blocks.size());
    EXPECT_EQ(std::string(31, 'N'), blocks[0].name);
    EXPECT_EQ(std::string(7, 'N'), blocks[0].type);
    EXPECT_TRUE(Contains(session.Log(), "Error: the next block was unsuccessfully loaded.\n"));
    DPFBlock block;
    IStuffDPF->FindFirst(handle, &block);
    EXPECT_EQ(2, IStuffDPF->FindNext(handle, &block));
    IStuffDPF->Close(handle);

    // A marker cut by the end of the file, and a lone marker byte: simply no more blocks.
    handle = OpenSealed(RawBlock("a", "RAW", 1, 1, 1, "a") + Marker().substr(0, 9) + "\xB7", "cut-marker");
    ASSERT_GT(handle, 0);
    EXPECT_EQ(1u, EngineScan(handle).size());
    DPFBlock wanted = Wanted("new", "RAW");
    std::string payload = "new";
    wanted = Record("new", "RAW", DPFBlock::kStored, payload);
    EXPECT_EQ(3, IStuffDPF->AddData(handle, &wanted)); // the package is still writable
    EXPECT_EQ(payload, Load(handle, "RAW", "new"));
}

TEST_F(DpfHostile, IndexMatchesAByteByByteSearchOverStrayBytes) {
    std::string body = std::string(13, '\xB7') + RawBlock("one", "RAW", 1, 20, 20, Marker() + "abcd") +
                       "junk\xB7\xB7" + Marker().substr(0, 14) + "x" + RawBlock("two", "RAW", 2, 5, 5, "\xB7\xB7\xB7\xB7\xB7") +
                       RawBlock("?hree", "DELETED", 1, 3, 3, "xyz") + std::string(7, '\xB7');
    int handle = OpenSealed(body, "stray");
    ASSERT_GT(handle, 0);
    std::vector<FoundBlock> reference = ReferenceScan(ReadFile(path));
    EXPECT_EQ(3u, reference.size());
    EXPECT_EQ(reference, EngineScan(handle));
    DPFBlock block = Wanted("two", "RAW");
    EXPECT_EQ(1, IStuffDPF->FindBlock(handle, &block));
    DPFBlock next;
    EXPECT_EQ(1, IStuffDPF->FindNext(handle, &next));
    EXPECT_STREQ("?hree", next.name);
}

} // namespace
