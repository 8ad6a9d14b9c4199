// IStuffDPF: creating, opening, finding, loading, adding and deleting blocks, the package table,
// protected packages, checksums kept current, crash survival and version 3 conversion.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "dpf_test_util.h"
#include "support/child_process.h"
#include "testing/test_seams.h"

using namespace dpftest;

namespace {

class DpfPackage : public ::testing::Test {
protected:
    ScopedTempDir dir;
    EngineSession session{5, SDL_INIT_TIMER};

    std::string Path(const std::string& name) const { return dir.File(name); }

    // Closes the package and opens it again in a fresh interface, as a new run would.
    int ReopenAsNewRun(int handle, const std::string& path) {
        IStuffDPF->Close(handle);
        delete IStuffDPF;
        IStuffDPF = new class IStuffDPF;
        return IStuffDPF->Open(path.c_str());
    }
};

TEST_F(DpfPackage, FreshPackageIsIdentifierAndHeaderOnly) {
    std::string path = Path("fresh.dpf");
    int handle = IStuffDPF->Create(path.c_str());
    ASSERT_GT(handle, 0);
    std::string bytes = ReadFile(path);
    ASSERT_EQ(520u, bytes.size());
    EXPECT_EQ(std::string("DPFv4.0\0", 8), bytes.substr(0, 8));
    std::string header = PlainHeader(bytes);
    EXPECT_STREQ(Nimbrel.GetMaker(), header.c_str());
    EXPECT_EQ(24u, std::strlen(header.c_str() + 29));
    EXPECT_EQ(0, header[93]);
    EXPECT_EQ(std::string(4, '\0'), header.substr(96, 4));
    DPFBlock block;
    EXPECT_EQ(0, IStuffDPF->FindFirst(handle, &block));
    EXPECT_GT(ReopenAsNewRun(handle, path), 0);
}

TEST_F(DpfPackage, BlockFramingAndPadding) {
    std::string path = Path("frame.dpf");
    int handle = IStuffDPF->Create(path.c_str());
    std::string thirteen = "thirteen byte";
    DPFBlock block = Record("t13", "RAW", DPFBlock::kStored, thirteen);
    EXPECT_EQ(13, IStuffDPF->AddData(handle, &block));
    std::string bytes = ReadFile(path);
    ASSERT_EQ(520u + 16 + 64 + 16, bytes.size());
    EXPECT_EQ(Marker(), bytes.substr(520, 16));
    dpf::BlockHeader header;
    dpf::DecodeBlockHeader(reinterpret_cast<const Uint8*>(bytes.data() + 536), &header);
    EXPECT_STREQ("t13", header.name);
    EXPECT_STREQ("RAW", header.type);
    EXPECT_EQ(1, header.mode);
    EXPECT_EQ(13u, header.originalSize);
    EXPECT_EQ(13u, header.storedSize);
    EXPECT_EQ(thirteen, bytes.substr(600, 13));
    EXPECT_EQ(std::string(3, '\0'), bytes.substr(613, 3));

    std::string eight = "12345678";
    block = Record("t8", "RAW", DPFBlock::kStored, eight);
    EXPECT_EQ(8, IStuffDPF->AddData(handle, &block));
    EXPECT_EQ(bytes.size() + 80 + 8, ReadFile(path).size());
}

TEST_F(DpfPackage, EveryModeRoundTripsAcrossRuns) {
    std::string path = Path("modes.dpf");
    int handle = IStuffDPF->Create(path.c_str());
    // Payloads carry the marker itself: it must never be taken for a block boundary.
    std::string compressible = SampleData(20000, 1) + Marker() + SampleData(100, 2);
    std::string odd = Marker() + "\xB7\xB7 masked tail";
    DPFBlock block = Record("packed", "IMG", DPFBlock::kCompressed, compressible);
    int stored = IStuffDPF->AddData(handle, &block);
    EXPECT_GT(stored, 0);
    EXPECT_LT(stored, int(compressible.size()));
    block = Record("plain", "IMG", DPFBlock::kStored, odd);
    EXPECT_EQ(int(odd.size()), IStuffDPF->AddData(handle, &block));
    block = Record("masked", "IMG", 7, odd); // any other mode is masking
    EXPECT_EQ(int(odd.size()), IStuffDPF->AddData(handle, &block));
    EXPECT_EQ(DPFBlock::kMasked, block.mode);

    KeepAsFuzzSeed(path, "modes");
    for (int run = 0; run < 2; ++run) {
        EXPECT_EQ(compressible, Load(handle, "IMG", "packed"));
        EXPECT_EQ(odd, Load(handle, "IMG", "plain"));
        EXPECT_EQ(odd, Load(handle, "IMG", "masked"));
        EXPECT_EQ(ReferenceScan(ReadFile(path)), EngineScan(handle));
        EXPECT_EQ(3u, EngineScan(handle).size());
        handle = ReopenAsNewRun(handle, path);
        ASSERT_GT(handle, 0);
    }
}

TEST_F(DpfPackage, DeletedBlocksStayInTheFileUnderAMarkedName) {
    std::string path = Path("delete.dpf");
    int handle = IStuffDPF->Create(path.c_str());
    std::string payload = SampleData(300, 5);
    DPFBlock block = Record("gone", "SND", DPFBlock::kCompressed, payload);
    IStuffDPF->AddData(handle, &block);
    block = Record("kept", "SND", DPFBlock::kMasked, payload);
    IStuffDPF->AddData(handle, &block);
    size_t size = ReadFile(path).size();

    DPFBlock wanted = Wanted("gone", "SND");
    wanted.originalSize = 1234;
    EXPECT_EQ(1, IStuffDPF->Delete(handle, &wanted));
    EXPECT_EQ(1234u, wanted.originalSize); // the caller's record is left alone
    EXPECT_EQ(size, ReadFile(path).size());
    EXPECT_EQ("<failed>", Load(handle, "SND", "gone"));
    EXPECT_EQ(0, IStuffDPF->Delete(handle, &wanted));
    std::vector<FoundBlock> blocks = EngineScan(handle);
    ASSERT_EQ(2u, blocks.size());
    EXPECT_EQ("?one", blocks[0].name);
    EXPECT_EQ("DELETED", blocks[0].type);
    EXPECT_EQ(ReferenceScan(ReadFile(path)), blocks);

    // The same name and type can be added again; both copies are seen by a scan.
    std::string again = "again";
    block = Record("gone", "SND", DPFBlock::kStored, again);
    EXPECT_EQ(5, IStuffDPF->AddData(handle, &block));
    handle = ReopenAsNewRun(handle, path); // the checksum is right after a delete
    ASSERT_GT(handle, 0);
    EXPECT_EQ("again", Load(handle, "SND", "gone"));
    EXPECT_EQ(payload, Load(handle, "SND", "kept"));
}

TEST_F(DpfPackage, ChecksumIsCurrentAfterEveryChangeWithoutClose) {
    std::string path = Path("current.dpf");
    int handle = IStuffDPF->Create(path.c_str());
    for (int i = 0; i < 4; ++i) {
        std::string payload = SampleData(1000 + i * 333, i);
        DPFBlock block = Record("b" + std::to_string(i), "RAW", Uint8(i % 3), payload);
        IStuffDPF->AddData(handle, &block);
        std::string bytes = ReadFile(path);
        EXPECT_EQ(ChecksumUpdate(0, bytes.data() + 520, bytes.size() - 520),
                  Uint32(Uint8(PlainHeader(bytes)[96])) | Uint32(Uint8(PlainHeader(bytes)[97])) << 8 |
                      Uint32(Uint8(PlainHeader(bytes)[98])) << 16 | Uint32(Uint8(PlainHeader(bytes)[99])) << 24);
    }
    DPFBlock wanted = Wanted("b2", "RAW");
    IStuffDPF->Delete(handle, &wanted);
    std::string bytes = ReadFile(path);
    std::string header = PlainHeader(bytes);
    Uint32 stored;
    std::memcpy(&stored, header.data() + 96, 4);
    EXPECT_EQ(ChecksumUpdate(0, bytes.data() + 520, bytes.size() - 520), stored);
}

TEST_F(DpfPackage, ReplaceSwapsTheBlockAndKeepsTheOldOneUntilTheNewOneIsWritten) {
    std::string path = Path("replace.dpf");
    int handle = IStuffDPF->Create(path.c_str());
    std::string first = SampleData(500, 1), second = SampleData(700, 2);
    DPFBlock block = Record("layout", "FILE", DPFBlock::kCompressed, first);
    EXPECT_GT(IStuffDPF->Replace(handle, &block), 0); // nothing to replace yet
    block = Record("layout", "FILE", DPFBlock::kStored, second);
    EXPECT_EQ(700, IStuffDPF->Replace(handle, &block));
    EXPECT_EQ(second, Load(handle, "FILE", "layout"));
    std::vector<FoundBlock> blocks = EngineScan(handle);
    ASSERT_EQ(2u, blocks.size());
    EXPECT_EQ("DELETED", blocks[0].type);
    EXPECT_EQ("layout", blocks[1].name);
    handle = ReopenAsNewRun(handle, path);
    EXPECT_EQ(second, Load(handle, "FILE", "layout"));
}

// A Replace whose second step (marking the old block deleted) fails takes its new block back
// out: two live blocks of one name would leave loads finding the stale one.
TEST_F(DpfPackage, AReplaceThatCannotRetireTheOldBlockLeavesThePackageAsItWas) {
    std::string path = Path("half.dpf"), old = SampleData(600, 3), fresh = SampleData(900, 4);
    int handle = IStuffDPF->Create(path.c_str());
    DPFBlock block = Record("layout", "FILE", DPFBlock::kStored, old);
    ASSERT_GT(IStuffDPF->AddData(handle, &block), 0);
    std::string before = ReadFile(path);
    NimbrelTestSeam::SetWriteFault(dpf::kFirstBlockOffset + dpf::kMarkerSize); // the old block's header
    block = Record("layout", "FILE", DPFBlock::kStored, fresh);
    EXPECT_EQ(0, IStuffDPF->Replace(handle, &block));
    NimbrelTestSeam::SetWriteFault(-1);
    EXPECT_EQ(before.substr(dpf::kFirstBlockOffset), ReadFile(path).substr(dpf::kFirstBlockOffset));
    size_t logged = session.Log().size();
    handle = ReopenAsNewRun(handle, path); // checks the checksum again
    ASSERT_GT(handle, 0);
    EXPECT_FALSE(Contains(session.Log().substr(logged), "IStuffDPF->Open")) << session.Log().substr(logged);
    EXPECT_EQ(1u, EngineScan(handle).size());
    EXPECT_EQ(old, Load(handle, "FILE", "layout"));
}

struct CrashArgument {
    std::string path;
    std::string payload;
};

void AddAndDie(void* argument) {
    CrashArgument* crash = static_cast<CrashArgument*>(argument);
    int handle = IStuffDPF->Open(crash->path.c_str());
    DPFBlock block = Record("survivor", "FILE", DPFBlock::kCompressed, crash->payload);
    int stored = IStuffDPF->AddData(handle, &block);
    ExitImmediately(stored > 0 ? 42 : 1); // no Close, no destructors
}

TEST_F(DpfPackage, ABlockAddedByAProcessThatDiesBeforeCloseSurvives) {
    CrashArgument crash{Path("crash.dpf"), SampleData(5000, 8)};
    IStuffDPF->Close(IStuffDPF->Create(crash.path.c_str()));
    ASSERT_EQ(42, RunInChildProcess(AddAndDie, &crash));
    delete IStuffDPF;
    IStuffDPF = new class IStuffDPF;
    int handle = IStuffDPF->Open(crash.path.c_str());
    ASSERT_GT(handle, 0) << session.Log();
    EXPECT_EQ(crash.payload, Load(handle, "FILE", "survivor"));
}

TEST_F(DpfPackage, ChangesCutShortByACrashAreRolledBackOrCompleted) {
    std::string path = Path("torn.dpf");
    int handle = IStuffDPF->Create(path.c_str());
    std::string first = SampleData(3000, 1), second = SampleData(2000, 2);
    DPFBlock block = Record("first", "RAW", DPFBlock::kCompressed, first);
    IStuffDPF->AddData(handle, &block);
    std::string beforeAppend = ReadFile(path);
    block = Record("second", "RAW", DPFBlock::kStored, second);
    IStuffDPF->AddData(handle, &block);
    std::string afterAppend = ReadFile(path);
    DPFBlock wanted = Wanted("first", "RAW");
    IStuffDPF->Delete(handle, &wanted);
    std::string afterDelete = ReadFile(path);
    IStuffDPF->Close(handle);

    // Died while appending: the block is partly written, the header still describes the package
    // before it. Cut anywhere, even inside the marker.
    for (size_t written : {5u, 16u, 700u}) {
        WriteFile(path, beforeAppend + afterAppend.substr(beforeAppend.size(), written));
        delete IStuffDPF;
        IStuffDPF = new class IStuffDPF;
        handle = IStuffDPF->Open(path.c_str());
        ASSERT_GT(handle, 0) << written;
        EXPECT_EQ(beforeAppend.size(), ReadFile(path).size());
        EXPECT_EQ(first, Load(handle, "RAW", "first"));
        EXPECT_EQ("<failed>", Load(handle, "RAW", "second"));
        IStuffDPF->Close(handle);
    }
    EXPECT_TRUE(Contains(session.Log(), "Warning: a change cut short by a crash was rolled back or completed.\n"));

    // Died while deleting: the header is written, the block header not yet marked.
    WriteFile(path, afterDelete.substr(0, 520) + afterAppend.substr(520));
    delete IStuffDPF;
    IStuffDPF = new class IStuffDPF;
    handle = IStuffDPF->Open(path.c_str());
    ASSERT_GT(handle, 0);
    EXPECT_EQ(afterDelete.substr(520), ReadFile(path).substr(520));
    EXPECT_EQ("<failed>", Load(handle, "RAW", "first"));
    EXPECT_EQ(second, Load(handle, "RAW", "second"));
}

TEST_F(DpfPackage, ChangedByteAfterTheHeaderIsRefusedAsCorrupted) {
    std::string path = Path("corrupt.dpf");
    int handle = IStuffDPF->Create(path.c_str());
    std::string payload = SampleData(100, 1);
    DPFBlock block = Record("a", "RAW", DPFBlock::kStored, payload);
    IStuffDPF->AddData(handle, &block);
    IStuffDPF->Close(handle);
    std::string bytes = ReadFile(path);
    bytes[600] ^= 0x01;
    WriteFile(path, bytes);
    delete IStuffDPF;
    IStuffDPF = new class IStuffDPF;
    EXPECT_EQ(0, IStuffDPF->Open(path.c_str()));
    EXPECT_TRUE(Contains(session.Log(), " . [IStuffDPF->Open('" + path + "')] Error: the given DPF is corrupted.\n"));
}

TEST_F(DpfPackage, TableOfTwoSameHandleForSamePathAndFreshHandlesAfterClose) {
    std::string a = Path("a.dpf"), b = Path("b.dpf"), c = Path("c.dpf");
    int ha = IStuffDPF->Create(a.c_str());
    int hb = IStuffDPF->Create(b.c_str());
    std::string fresh = ReadFile(a);
    WriteFile(c, fresh);
    ASSERT_GT(ha, 0);
    ASSERT_GT(hb, 0);
    EXPECT_NE(ha, hb);
    EXPECT_EQ(0, IStuffDPF->Open(c.c_str()));
    EXPECT_TRUE(Contains(session.Log(), " . [IStuffDPF] Warning: reached maximum limit of DPF files opened(2).\n"));

    EXPECT_EQ(ha, IStuffDPF->Open(a.c_str()));
    EXPECT_EQ(0, IStuffDPF->Close(ha));
    EXPECT_STREQ(a.c_str(), IStuffDPF->GetName(ha)); // still open once
    EXPECT_EQ(0, IStuffDPF->Close(ha));
    EXPECT_EQ(nullptr, IStuffDPF->GetName(ha));
    EXPECT_EQ(2, IStuffDPF->Close(ha));
    EXPECT_EQ(0, IStuffDPF->Close(0));

    int again = IStuffDPF->Open(a.c_str());
    EXPECT_GT(again, hb);
    IStuffDPF->Close(again);
    int third = IStuffDPF->Open(c.c_str()); // a closed entry is taken over
    EXPECT_GT(third, again);
    IStuffDPF->Close(third);
    IStuffDPF->Close(hb);
}

TEST_F(DpfPackage, NameAndTypeLimitsAndExistingBlocks) {
    std::string path = Path("limits.dpf");
    int handle = IStuffDPF->Create(path.c_str());
    std::string name31(31, 'n'), type7(7, 't');
    std::string x = "x", other = "other";
    DPFBlock block = Record(name31, type7, DPFBlock::kStored, x);
    EXPECT_EQ(1, IStuffDPF->AddData(handle, &block));
    EXPECT_EQ("x", Load(handle, type7, name31));

    size_t size = ReadFile(path).size();
    block = Record(std::string(32, 'n'), "RAW", DPFBlock::kStored, x);
    EXPECT_EQ(0, IStuffDPF->AddData(handle, &block));
    block = Record("name", std::string(8, 't'), DPFBlock::kStored, x);
    EXPECT_EQ(0, IStuffDPF->AddData(handle, &block));
    EXPECT_TRUE(Contains(session.Log(), "Error: name or type are too long. Maximum chars for name is 32 and 8 for type.\n"));
    EXPECT_EQ("<failed>", Load(handle, "RAW", std::string(40, 'n')));

    block = Record(name31, type7, DPFBlock::kCompressed, other);
    EXPECT_EQ(-1, IStuffDPF->AddData(handle, &block));
    EXPECT_EQ(DPFBlock::kCompressed, block.mode);
    EXPECT_EQ(5u, block.originalSize);
    EXPECT_EQ(size, ReadFile(path).size());
}

TEST_F(DpfPackage, EmptyBlockIsFramingOnlyAndLoadsAsNothing) {
    std::string path = Path("empty.dpf");
    int handle = IStuffDPF->Create(path.c_str());
    std::string none;
    DPFBlock block = Record("nothing", "RAW", DPFBlock::kStored, none);
    EXPECT_EQ(0, IStuffDPF->AddData(handle, &block));
    EXPECT_EQ(600u, ReadFile(path).size());
    DPFBlock loaded;
    EXPECT_EQ(0, IStuffDPF->LoadBlock(handle, "RAW", "nothing", &loaded));
    EXPECT_EQ(nullptr, loaded.data);
    block = Record("nothing0", "RAW", DPFBlock::kCompressed, none);
    EXPECT_GT(IStuffDPF->AddData(handle, &block), 0);
    EXPECT_EQ(0, IStuffDPF->LoadBlock(handle, "RAW", "nothing0", &loaded));
    EXPECT_GT(ReopenAsNewRun(handle, path), 0);
}

TEST_F(DpfPackage, ProtectedPackagesNeedTheirKeyEndToEnd) {
    std::string path = Path("secret.dpf");
    const char key[] = "correct horse";
    int handle = IStuffDPF->Create(path.c_str(), true);
    ASSERT_GT(handle, 0);
    EXPECT_EQ(1, IStuffDPF->IsProtected(handle));
    std::string masked = SampleData(777, 3), plainText = "secret payload text";
    DPFBlock block = Record("secret-name", "FILE", DPFBlock::kStored, plainText);
    EXPECT_EQ(0, IStuffDPF->AddData(handle, &block));
    EXPECT_TRUE(Contains(session.Log(), "Error: the given DPF is protected and the key was not set.\n"));

    ASSERT_EQ(1, IStuffDPF->SetKey(key, int(std::strlen(key))));
    for (Uint8 mode : {0, 1, 2}) {
        const std::string& payload = mode == 1 ? plainText : masked;
        block = Record("secret-" + std::to_string(mode), "FILE", mode, payload);
        EXPECT_GT(IStuffDPF->AddData(handle, &block), 0);
    }
    std::string bytes = ReadFile(path);
    EXPECT_EQ(std::string::npos, bytes.find("secret"));
    KeepAsFuzzSeed(path, "protected");
    EXPECT_EQ(3u, EngineScan(handle).size());

    handle = ReopenAsNewRun(handle, path);
    ASSERT_GT(handle, 0);
    EXPECT_EQ("<failed>", Load(handle, "FILE", "secret-1"));
    IStuffDPF->SetKey("wrong key", 9);
    EXPECT_EQ("<failed>", Load(handle, "FILE", "secret-1"));
    IStuffDPF->SetKey(key, int(std::strlen(key)));
    EXPECT_EQ("secret payload text", Load(handle, "FILE", "secret-1"));
    EXPECT_EQ(masked, Load(handle, "FILE", "secret-0"));
    EXPECT_EQ(masked, Load(handle, "FILE", "secret-2"));
    DPFBlock wanted = Wanted("secret-0", "FILE");
    EXPECT_EQ(1, IStuffDPF->Delete(handle, &wanted));
    handle = ReopenAsNewRun(handle, path);
    IStuffDPF->SetKey(key, int(std::strlen(key)));
    EXPECT_EQ("?ecret-0", EngineScan(handle)[0].name);
    EXPECT_EQ(0, IStuffDPF->SetKey(key, 57));
}

// ---- Version 3 conversion -----------------------------------------------------------------------

TEST_F(DpfPackage, VersionThreeIsConvertedKeepingABackupAndDroppingDeletedBlocks) {
    std::string path = Path("legacy.dpf");
    std::string packedSource = SampleData(3000, 6);
    std::vector<Uint8> packed(dpf::CompressBound(packedSource.size()));
    int64_t packedSize = dpf::Compress(reinterpret_cast<const Uint8*>(packedSource.data()), packedSource.size(), packed.data());
    std::string legacy = V3Package(
        V3Block(".BlockData.", "first", "FILE", 1, 5, "hello") +
        V3Block("\xB7" "BlockData\xB7", "dropped", "DELE", 1, 3, "old") +
        V3Block(".BlockData.", "packed", "IMG", 0, Uint32(packedSource.size()),
                std::string(reinterpret_cast<char*>(packed.data()), size_t(packedSize))));
    WriteFile(path, legacy);
    KeepAsFuzzSeed(path, "version3");

    int handle = IStuffDPF->Open(path.c_str());
    ASSERT_GT(handle, 0) << session.Log();
    EXPECT_EQ(legacy, ReadFile(Path("legacy_v3.dpf")));
    EXPECT_FALSE(FileExists(Path("tmp.dpf")));
    EXPECT_EQ("hello", Load(handle, "FILE", "first"));
    EXPECT_EQ(packedSource, Load(handle, "IMG", "packed"));
    EXPECT_EQ(2u, EngineScan(handle).size());
    std::string log = session.Log();
    EXPECT_TRUE(Contains(log, "Info: total blocks imported: 2\n"));
    EXPECT_TRUE(Contains(log, "   - Original DPF v3.0 was renamed to " + Path("legacy_v3.dpf") + "\n\n"));
    EXPECT_EQ("old creator", std::string(PlainHeader(ReadFile(path)).c_str()));
    EXPECT_GT(ReopenAsNewRun(handle, path), 0);
}

TEST_F(DpfPackage, FailedConversionLeavesTheOriginalAlone) {
    std::string path = Path("broken.dpf");
    std::string legacy = V3Package(V3Block(".BlockData.", "first", "FILE", 1, 5, "hello") +
                                   V3Block(".BlockData.", "cut", "FILE", 1, 100, std::string(100, 'x')));
    legacy.resize(legacy.size() - 10); // the last block's data is short
    WriteFile(path, legacy);
    EXPECT_EQ(0, IStuffDPF->Open(path.c_str()));
    EXPECT_EQ(legacy, ReadFile(path));
    EXPECT_FALSE(FileExists(Path("tmp.dpf")));
    EXPECT_FALSE(FileExists(Path("broken_v3.dpf")));
    EXPECT_TRUE(Contains(session.Log(), "Error: data block is corrupted.\n"));

    WriteFile(path, V3Package("garbage!!!!"));
    EXPECT_EQ(0, IStuffDPF->Open(path.c_str()));
    EXPECT_TRUE(Contains(session.Log(), "Error: header block does not match.\n"));
}

} // namespace
