// The dpf tool, run as game developers run it: commands, exit statuses and messages.
#include <gtest/gtest.h>

#include <cstdlib>

#include "dpf_test_util.h"

using namespace dpftest;

namespace {

// A command line the tool refuses, and the words that must name the problem.
struct Refusal {
    const char* arguments;
    const char* problem;
};

class DpfTool : public ::testing::Test {
protected:
    ScopedTempDir dir;

    ToolRun Run(const std::string& arguments) {
        return RunDpf(arguments);
    }
    // Runs a command line the tool must refuse with `status`, naming the problem.
    ToolRun ExpectRefused(const Refusal& refusal, int status) {
        ToolRun run = Run(refusal.arguments);
        EXPECT_EQ(status, run.status) << refusal.arguments;
        EXPECT_TRUE(Contains(run.err, refusal.problem)) << refusal.arguments << "\n" << run.err;
        return run;
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

TEST_F(DpfTool, UpgradeConvertsVersionThreeAndLeavesOthersAlone) {
    const std::string legacy = V3Package(V3Block(".BlockData.", "old", "FILE", 1, 5, "hello"));
    WriteFile("old.dpf", legacy);
    ToolRun upgrade = Run("upgrade old.dpf");
    EXPECT_EQ(0, upgrade.status) << upgrade.err;
    EXPECT_TRUE(Contains(upgrade.out, "old.dpf: converted to version 4"));
    EXPECT_EQ(legacy, ReadFile("old_v3.dpf"));
    Run("extract old.dpf old FILE hello.txt");
    EXPECT_EQ("hello", ReadFile("hello.txt"));
    EXPECT_EQ(0, Run("verify old.dpf").status);

    // A version 4 package, protected or not, is left byte for byte as it was.
    WriteFile("key.bin", "upgrade key");
    ASSERT_EQ(0, Run("create locked.dpf --key key.bin").status);
    for (const char* package : {"old.dpf", "locked.dpf"}) {
        const std::string before = ReadFile(package);
        ToolRun again = Run(std::string("upgrade ") + package);
        EXPECT_EQ(0, again.status) << again.err;
        EXPECT_TRUE(Contains(again.out, "already version 4; nothing to do")) << package;
        EXPECT_EQ(before, ReadFile(package)) << package;
    }

    WriteFile("text.dpf", "just some text, longer than an identifier");
    WriteFile("future.dpf", std::string("DPFv5.0\0", 8) + std::string(600, '\0'));
    WriteFile("short.dpf", "DPFv");
    WriteFile("odd.dpf", std::string("DPFvX.0\0", 8) + std::string(600, '\0'));
    const Refusal refused[] = {
        {"upgrade text.dpf", "dpf: text.dpf: is not a DPF package"},
        {"upgrade short.dpf", "dpf: short.dpf: is not a DPF package"},
        {"upgrade future.dpf", "dpf: future.dpf: is a version 5 package; only version 3 converts"},
        {"upgrade odd.dpf", "dpf: odd.dpf: is a DPF package of no known version"},
        {"upgrade absent.dpf", "dpf: absent.dpf: cannot be read: "},
    };
    for (const Refusal& c : refused) ExpectRefused(c, 1);
    EXPECT_EQ(2, Run("upgrade old.dpf --key key.bin").status); // a version 3 package has no key
}

TEST_F(DpfTool, UsageErrorsExitWithTwoAndNameTheProblem) {
    const Refusal cases[] = {
        {"list game.dpf --bogus", "unknown option '--bogus' for list"},
        {"extract-image game.dpf logo out.png --depth 8", "unknown option '--depth' for extract-image"},
        {"add game.dpf a.txt one TXT --mode", "--mode needs a value: --mode 0|1|2"},
        {"extract game.dpf one TXT out.txt --key", "--key needs a value: --key KEYFILE"},
        {"add game.dpf a.txt one TXT --mode 1 --mode 2", "--mode may be given only once"},
        {"add game.dpf a.txt one TXT --mode 3", "--mode must be 0, 1 or 2, not '3'"},
        {"add-image game.dpf a.png logo --depth 12", "--depth must be 8, 16, 24 or 32, not '12'"},
        {"add-image game.dpf a.png logo --alpha 256", "--alpha needs a number from 0 to 255, not '256'"},
        {"add-image game.dpf a.png logo --key-colour red", "--key-colour needs a colour as six hexadecimal digits"},
        {"add game.dpf a.txt", "add takes 4 arguments (PKG FILE NAME TYPE), 2 given"},
        {"verify", "verify takes 1 argument (PKG), 0 given"},
        {"extract-image game.dpf logo out.png extra", "extract-image takes 3 arguments (PKG NAME OUT.png), 4 given"},
        {"delete game.dpf one LONGTYPE", "a block type has 1 to 7 characters: 'LONGTYPE'"},
        {"add-xml game.dpf a.xml ''", "a block name has 1 to 31 characters: ''"},
    };
    for (const Refusal& c : cases) {
        ToolRun run = ExpectRefused(c, 2);
        const std::string command = std::string(c.arguments).substr(0, std::string(c.arguments).find(' '));
        EXPECT_TRUE(Contains(run.err, "Usage: dpf " + command + " ")) << run.err;
    }
    EXPECT_FALSE(FileExists("game.dpf")); // wrong usage never reaches a package

    // Help wins over whatever else is wrong, and lists what the row holds.
    ToolRun help = Run("add-image --depth 12 --help");
    EXPECT_EQ(0, help.status);
    EXPECT_TRUE(Contains(help.out, "  --key KEYFILE        the key of a protected package")) << help.out;
    EXPECT_TRUE(Contains(help.out, "\n                       opaque when not;")) << help.out;
    ToolRun overview = Run("--help");
    for (const char* synopsis : {"dpf create PKG [--key KEYFILE]\n", "dpf extract-image PKG NAME OUT.png [--key KEYFILE]\n",
                                 "dpf add PKG FILE NAME TYPE [--mode 0|1|2] [--replace] [--key KEYFILE]\n",
                                 "dpf upgrade PKG\n"})
        EXPECT_TRUE(Contains(overview.out, synopsis)) << synopsis;
}

} // namespace
