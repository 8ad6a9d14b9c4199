// The log: exact banner bytes, fallback file, output masks and the level filter.
#include <gtest/gtest.h>

#include <regex>

#include "Nimbrel.h"
#include "support/test_support.h"

namespace {

const char kBannerHead[] =
    "+----------------------------------------------------------+\n"
    "\xA6         Nimbrel SDK Linux v5.10 (build 3173)            \xA6\n"
    "\xA6               Nimbrel Engine Team - 2026                 \xA6\n"
    "\xA6               http://www.nimbrel-sdk.org                 \xA6\n"
    "+----------------------------------------------------------+\n"
    "\n . Setup title\n";

// The "Executing at" line in the C runtime's asctime form.
const char kExecutingLine[] =
    R"(\n \. Executing at (Sun|Mon|Tue|Wed|Thu|Fri|Sat) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [ 123][0-9] [0-2][0-9]:[0-5][0-9]:[0-6][0-9] [0-9]{4}\n)";

} // namespace

TEST(Log, BannerIsExactBytesAndFramedAtSixtyCharacters) {
    ScopedTempDir dir;
    ILogSystem.Init("out.log", ILogSystem::kOutputNewFile, 2, "Setup title", "text", "sub", "extra");
    std::string log = ReadFile("out.log");
    ASSERT_EQ(log.compare(0, sizeof kBannerHead - 1, kBannerHead), 0) << log;
    std::string rest = log.substr(sizeof kBannerHead - 1);
    EXPECT_TRUE(std::regex_match(rest, std::regex(std::string(R"( \. text - sub\n \. extra\n)") + kExecutingLine)))
        << rest;
    // The maker and web lines fill the frame exactly.
    std::vector<std::string> lines = Lines(log);
    EXPECT_EQ(lines[0].size(), 60u);
    EXPECT_EQ(lines[2].size(), 60u);
    EXPECT_EQ(lines[3].size(), 60u);
}

TEST(Log, OptionalTextsAreLeftOutWhenAbsent) {
    ScopedTempDir dir;
    ILogSystem.Init("out.log", ILogSystem::kOutputNewFile, 2, "Setup title");
    std::string rest = ReadFile("out.log").substr(sizeof kBannerHead - 1);
    EXPECT_TRUE(std::regex_match(rest, std::regex(kExecutingLine))) << rest;
    ILogSystem.Init("out.log", ILogSystem::kOutputNewFile, 2, "Setup title", nullptr, "ignored without text");
    EXPECT_EQ(ReadFile("out.log").find("ignored"), std::string::npos);
}

TEST(Log, LevelFilterAndClamping) {
    ScopedTempDir dir;
    ILogSystem.Init("out.log", ILogSystem::kOutputNewFile, 2, "t");
    ILogSystem.Msg(2, "warning %d\n", 2);
    ILogSystem.Msg(5, "information\n");
    ILogSystem.Msg(0, "error\n");
    std::string log = ReadFile("out.log");
    EXPECT_NE(log.find("warning 2\nerror\n"), std::string::npos);
    EXPECT_EQ(log.find("information"), std::string::npos);

    ILogSystem.Init("out.log", ILogSystem::kOutputNewFile, 9, "t");
    EXPECT_EQ(ILogSystem.GetMaxLevel(), 5);
    ILogSystem.Msg(5, "five\n");
    EXPECT_NE(ReadFile("out.log").find("five\n"), std::string::npos);

    ILogSystem.Init("out.log", ILogSystem::kOutputNewFile, -1, "t");
    EXPECT_EQ(ILogSystem.GetMaxLevel(), 0);
    ILogSystem.Msg(1, "one\n");
    ILogSystem.Msg(-3, "negative levels always pass\n");
    log = ReadFile("out.log");
    EXPECT_EQ(log.find("one"), std::string::npos);
    EXPECT_NE(log.find("negative levels always pass"), std::string::npos);
}

TEST(Log, NewFileTruncatesAndAppendModeAddsABannerPerStart) {
    ScopedTempDir dir;
    ILogSystem.Init("out.log", ILogSystem::kOutputNewFile, 2, "first");
    ILogSystem.Msg(0, "old line\n");
    ILogSystem.Init("out.log", ILogSystem::kOutputNewFile, 2, "second");
    EXPECT_EQ(ReadFile("out.log").find("old line"), std::string::npos);

    ILogSystem.Init("out.log", ILogSystem::kOutputAppendFile, 2, "third");
    std::string log = ReadFile("out.log");
    EXPECT_NE(log.find(" . second\n"), std::string::npos);
    EXPECT_NE(log.find(" . third\n"), std::string::npos);
    EXPECT_EQ(ILogSystem.GetOutputMask(), ILogSystem::kOutputAppendFile);
}

TEST(Log, UncreatableFileFallsBackWithWarning) {
    ScopedTempDir dir;
    ILogSystem.Init("missing/dir/out.log", ILogSystem::kOutputNewFile, 2, "t");
    EXPECT_STREQ(ILogSystem.GetFileName(), "ILogSysError.txt");
    std::string log = ReadFile("ILogSysError.txt");
    EXPECT_NE(log.find("\n . Executing at "), std::string::npos);
    const std::string warning = " . Warning: it was not possible to create your log file.\n";
    ASSERT_GE(log.size(), warning.size());
    EXPECT_EQ(log.substr(log.size() - warning.size()), warning);
    ILogSystem.Msg(2, "after\n");
    EXPECT_NE(ReadFile("ILogSysError.txt").find("after\n"), std::string::npos);
}

TEST(Log, LongFileNamesAreKeptWhole) {
    ScopedTempDir dir;
    std::string name = std::string(250, 'n') + ".log";
    std::string path = dir.path() + "/" + name;
    ASSERT_GT(path.size(), 256u);
    ILogSystem.Init(path.c_str(), ILogSystem::kOutputNewFile, 2, "t");
    EXPECT_EQ(std::string(ILogSystem.GetFileName()), path);
    EXPECT_TRUE(FileExists(path));
}

TEST(Log, StandardOutputAloneTouchesNoFileAndWritesNoBanner) {
    ScopedTempDir dir;
    testing::internal::CaptureStdout();
    ILogSystem.Init("out.log", ILogSystem::kOutputStdout, 2, "t");
    ILogSystem.Msg(2, "to stdout %s\n", "only");
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed, "to stdout only\n");
    EXPECT_FALSE(FileExists("out.log"));
}

TEST(Log, ZeroMaskSilencesTheLog) {
    ScopedTempDir dir;
    ILogSystem.Init("out.log", ILogSystem::kOutputNewFile, 2, "t");
    ILogSystem.Init("out.log", 0, 2, "t");
    EXPECT_FALSE(ILogSystem.IsActive());
    ILogSystem.Msg(0, "lost\n");
    EXPECT_EQ(ReadFile("out.log").find("lost"), std::string::npos);
}

TEST(Log, EveryMessageIsOnDiskAtOnce) {
    ScopedTempDir dir;
    ILogSystem.Init("out.log", ILogSystem::kOutputNewFile, 2, "t");
    ILogSystem.Msg(0, "first\n");
    // Nothing is buffered in the process: the file already holds the line.
    EXPECT_NE(ReadFile("out.log").find("first\n"), std::string::npos);
}

TEST(Log, TimestampsCountFromEngineStart) {
    ScopedTempDir dir;
    FakeClock clock;
    ILogSystem.Init("out.log", ILogSystem::kOutputNewFile, 2, "t");
    Nimbrel.startTicks = 1000;
    clock.Set(3250);
    ILogSystem.SetTimestamps(true);
    ILogSystem.Msg(0, "stamped\n");
    ILogSystem.SetTimestamps(false);
    Nimbrel.startTicks = Nimbrel::kNotStarted;
    EXPECT_NE(ReadFile("out.log").find("{2.250s}stamped\n"), std::string::npos);
}
