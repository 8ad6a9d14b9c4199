// The dpf tool, run as game developers run it: commands, exit statuses and messages.
#include <gtest/gtest.h>

#include <cstdlib>

#include "dpf_test_util.h"

using namespace dpftest;

namespace {

class DpfTool : public ::testing::Test {
protected:
    ScopedTempDir dir;

    ToolRun Run(const std::string& arguments) {
        return RunDpf(arguments);
    }
};

TEST_F(DpfTool, MakesPackagesThatVerifyAndRoundTripEveryMode) {
    WriteFile("text.txt", SampleData(30000, 1));
    WriteFile("empty.bin", "");
    ASSERT_EQ(0, Run("create game.dpf").status);
    EXPECT_EQ(1, Run("create game.dpf").status); // never overwrites
    EXPECT_EQ(0, Run("add game.dpf text.txt packed TXT").status);
    EXPECT_EQ(0, Run("add game.dpf text.txt plain TXT --mode 1").status);
    EXPECT_EQ(0, Run("add game.dpf text.txt masked TXT --mode 2").status);
    EXPECT_EQ(0, Run("add game.dpf empty.bin empty BIN").status);
    ToolRun again = Run("add game.dpf text.txt packed TXT");
    EXPECT_EQ(1, again.status);
    EXPECT_TRUE(Contains(again.err, "dpf: game.dpf: block 'packed' (TXT) already exists"));

    for (const char* name : {"packed", "plain", "masked", "empty"}) {
        std::string type = std::string(name) == "empty" ? "BIN" : "TXT";
        ASSERT_EQ(0, Run(std::string("extract game.dpf ") + name + " " + type + " out.bin").status) << name;
        EXPECT_EQ(ReadFile(type == "BIN" ? "empty.bin" : "text.txt"), ReadFile("out.bin")) << name;
    }
    ToolRun verify = Run("verify game.dpf");
    EXPECT_EQ(0, verify.status) << verify.err;
    EXPECT_TRUE(Contains(verify.out, "sound; 4 block(s) load"));

    ToolRun list = Run("list game.dpf");
    EXPECT_EQ(0, list.status);
    EXPECT_TRUE(Contains(list.out, "plain                            TXT         1         30000         30000\n"));
    EXPECT_TRUE(Contains(list.out, "4 blocks (0 deleted)"));
}

TEST_F(DpfTool, DeleteCompactAndReplace) {
    WriteFile("a.txt", SampleData(5000, 2));
    WriteFile("b.txt", SampleData(7000, 3));
    Run("create game.dpf");
    Run("add game.dpf a.txt one TXT");
    Run("add game.dpf b.txt two TXT --mode 1");
    EXPECT_EQ(0, Run("add game.dpf b.txt one TXT --replace").status);
    EXPECT_EQ(0, Run("delete game.dpf two TXT").status);
    EXPECT_EQ(1, Run("delete game.dpf two TXT").status);
    EXPECT_TRUE(Contains(Run("list game.dpf").out, "(deleted)"));
    size_t before = ReadFile("game.dpf").size();

    ToolRun compact = Run("compact game.dpf");
    EXPECT_EQ(0, compact.status) << compact.err;
    EXPECT_LT(ReadFile("game.dpf").size(), before);
    EXPECT_FALSE(FileExists("game.dpf.compact-tmp"));
    EXPECT_FALSE(Contains(Run("list game.dpf").out, "(deleted)"));
    EXPECT_EQ(0, Run("verify game.dpf").status);
    Run("extract game.dpf one TXT out.txt");
    EXPECT_EQ(ReadFile("b.txt"), ReadFile("out.txt"));
}

TEST_F(DpfTool, ProtectedPackagesNeedTheKey) {
    WriteFile("key.bin", "tool test key \xF0\x9F");
    WriteFile("wrong.bin", "another key");
    WriteFile("a.txt", "protected payload");
    ASSERT_EQ(0, Run("create locked.dpf --key key.bin").status);
    EXPECT_EQ(0, Run("add locked.dpf a.txt secret TXT --key key.bin").status);
    EXPECT_EQ(std::string::npos, ReadFile("locked.dpf").find("protected payload"));

    ToolRun noKey = Run("list locked.dpf");
    EXPECT_EQ(1, noKey.status);
    EXPECT_TRUE(Contains(noKey.err, "dpf: locked.dpf: the package is protected: give its key with --key KEYFILE"));
    EXPECT_EQ(1, Run("verify locked.dpf").status);
    EXPECT_EQ(1, Run("extract locked.dpf secret TXT out.txt --key wrong.bin").status);
    EXPECT_EQ(0, Run("extract locked.dpf secret TXT out.txt --key key.bin").status);
    EXPECT_EQ("protected payload", ReadFile("out.txt"));
    EXPECT_EQ(0, Run("verify locked.dpf --key key.bin").status);
}

TEST_F(DpfTool, DamageAndWrongUsageAreReported) {
    WriteFile("a.txt", SampleData(2000, 4));
    Run("create game.dpf");
    Run("add game.dpf a.txt one TXT --mode 1");
    std::string bytes = ReadFile("game.dpf");
    bytes[700] ^= 0x40;
    WriteFile("game.dpf", bytes);
    ToolRun verify = Run("verify game.dpf");
    EXPECT_EQ(1, verify.status);
    EXPECT_TRUE(Contains(verify.err, "Error: the given DPF is corrupted."));
    EXPECT_TRUE(Contains(verify.err, "dpf: game.dpf: NOT sound"));

    EXPECT_EQ(2, Run("").status);
    EXPECT_EQ(2, Run("frobnicate game.dpf").status);
    EXPECT_EQ(2, Run("add game.dpf a.txt").status);
    EXPECT_EQ(2, Run("add game.dpf a.txt one TXT --mode 3").status);
    EXPECT_EQ(2, Run("add game.dpf a.txt 12345678901234567890123456789012 TXT").status);
    EXPECT_EQ(2, Run("list game.dpf --bogus").status);
    ToolRun help = Run("verify --help");
    EXPECT_EQ(0, help.status);
    EXPECT_TRUE(Contains(help.out, "Usage: dpf verify PKG"));
    ToolRun missing = Run("add game.dpf nothere.txt one TXT");
    EXPECT_EQ(1, missing.status);
    EXPECT_TRUE(Contains(missing.err, "dpf: nothere.txt: cannot read the file"));
}

TEST_F(DpfTool, UpgradeConvertsVersionThree) {
    std::string legacy(256, '\0');
    legacy.replace(0, 8, std::string("DPFv3.0\0", 8));
    std::string block = ".BlockData." + std::string("old\0", 4) + std::string(28, '\0') + std::string("FILE\0", 5) +
                        std::string("\x01\x05\0\0\0\x05\0\0\0", 9) + "hello";
    WriteFile("old.dpf", legacy + block);
    ToolRun upgrade = Run("upgrade old.dpf");
    EXPECT_EQ(0, upgrade.status) << upgrade.err;
    EXPECT_EQ(legacy + block, ReadFile("old_v3.dpf"));
    EXPECT_EQ(0, Run("upgrade old.dpf").status); // already current
    Run("extract old.dpf old FILE out.txt");
    EXPECT_EQ("hello", ReadFile("out.txt"));
    EXPECT_EQ(0, Run("verify old.dpf").status);
}

} // namespace
