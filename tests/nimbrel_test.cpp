// The main object: start-up and shut-down order, leak report, CRC-32, directory creation.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <signal.h>
#include <sys/stat.h>

#include "Nimbrel.h"
#include "support/test_support.h"

namespace {

const char* const kInterfaceOrder[] = {"IStuffDPF", "IImage",      "ICursor",  "IPrimitives", "IButton",
                                       "IScreenFX", "ITimeSystem", "INetwork", "IVideo",      "ISoundFX"};

// Positions of the "Interfaz <verb>" lines of the log, in log order.
std::vector<std::string> InterfaceLines(const std::string& log, const std::string& verb) {
    std::vector<std::string> names;
    for (const std::string& line : Lines(log)) {
        std::string suffix = "] Interfaz " + verb + ".";
        size_t end = line.find(suffix);
        if (line.rfind(" . [", 0) == 0 && end != std::string::npos) names.push_back(line.substr(4, end - 4));
    }
    return names;
}

bool IsDirectory(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

TEST(Engine, InitAndQuitCreateAndDestroyInterfacesInOrder) {
    ScopedTempDir dir;
    {
        EngineSession engine(5);
        ASSERT_TRUE(engine.started());
        EXPECT_TRUE(Nimbrel.IsInitialized());
        EXPECT_NE(Nimbrel.startTicks, Nimbrel::kNotStarted);
        EXPECT_NE(ITimeSystem, nullptr);
    }
    std::string log = ReadFile("test.log");
    std::vector<std::string> created = InterfaceLines(log, "created");
    std::vector<std::string> deleted = InterfaceLines(log, "deleted");
    std::vector<std::string> expected(std::begin(kInterfaceOrder), std::end(kInterfaceOrder));
    EXPECT_EQ(created, expected);
    std::reverse(expected.begin(), expected.end());
    EXPECT_EQ(deleted, expected);

    size_t initiated = log.find("\n . Nimbrel successfully initiated.\n");
    size_t lastCreated = log.find(" . [ISoundFX] Interfaz created.\n");
    size_t firstDeleted = log.find(" . [ISoundFX] Interfaz deleted.\n");
    size_t closed = log.find("\n . Nimbrel successfully closed.\n\n");
    EXPECT_LT(lastCreated, initiated);
    EXPECT_LT(initiated, firstDeleted);
    EXPECT_LT(firstDeleted, closed);
    EXPECT_EQ(closed + std::string("\n . Nimbrel successfully closed.\n\n").size(), log.size());
    EXPECT_EQ(ITimeSystem, nullptr);
    EXPECT_EQ(ISoundFX, nullptr);
    EXPECT_FALSE(Nimbrel.IsInitialized());
}

TEST(Engine, QuitReportsLeaksInOrderAndASecondQuitDoesNothing) {
    ScopedTempDir dir;
    std::string log;
    {
        EngineSession engine(2);
        ASSERT_TRUE(engine.started());
        Nimbrel.liveTiles = 1;
        Nimbrel.liveFonts = 2;
        Nimbrel.Quit();
        log = engine.Log();
        Nimbrel.Quit();
        EXPECT_EQ(engine.Log(), log);
    }
    const std::string tail =
        "\n . [CTiles] Warning! your application have left 1 tiles without deleting."
        "\n . [CFonts] Warning! your application have left 2 fonts without deleting."
        "\n . Nimbrel successfully closed.\n\n";
    ASSERT_GE(log.size(), tail.size());
    EXPECT_EQ(log.substr(log.size() - tail.size()), tail);
}

TEST(Engine, QuitFreesTheIcon) {
    ScopedTempDir dir;
    EngineSession engine(2);
    ASSERT_TRUE(engine.started());
    Nimbrel.icon = SDL_CreateRGBSurface(SDL_SWSURFACE, 32, 32, 32, 0, 0, 0, 0);
    Nimbrel.Quit();
    EXPECT_EQ(Nimbrel.icon, nullptr); // and the sanitizer build sees no leak or double free
}

TEST(Engine, KeyStateIsZeroBeforeTheFirstLogicFrame) {
    ScopedTempDir dir;
    EngineSession engine(2);
    ASSERT_TRUE(engine.started());
    EXPECT_EQ(Nimbrel.KeyState(SDLK_ESCAPE), 0);
    EXPECT_EQ(Nimbrel.KeyState(-1), 0);
    EXPECT_EQ(Nimbrel.KeyState(100000), 0);
}

TEST(Engine, VersionAndMakerTexts) {
    EXPECT_STREQ(Nimbrel.GetVersion(), "Nimbrel SDK Linux v5.10 (build 3173)");
    EXPECT_LE(std::strlen(Nimbrel.GetMaker()), 28u);
}

TEST(Crc32, KnownValueAndEmptyInput) {
    EXPECT_EQ(Nimbrel.CRC32("abc", 3), 0x352441C2u);
    EXPECT_EQ(Nimbrel.CRC32("abc", 0), 0u);
    EXPECT_EQ(Nimbrel.CRC32("abc", -5), 0u);
    EXPECT_EQ(Nimbrel.CRC32("123456789", 9), 0xCBF43926u);
}

TEST(Crc32, AgreesWithZlibOnEveryLengthUpTo4KiB) {
    std::mt19937 random(1234);
    std::vector<unsigned char> data(4096 + 8);
    for (unsigned char& byte : data) byte = static_cast<unsigned char>(random());
    for (int offset = 0; offset < 8; offset += 3) {
        for (int length = 0; length <= 4096; ++length) {
            uLong expected = crc32(0L, data.data() + offset, static_cast<uInt>(length));
            ASSERT_EQ(Nimbrel.CRC32(data.data() + offset, length), expected) << "length " << length;
        }
    }
}

TEST(MakePath, CreatesEveryMissingDirectoryOfAFilePath) {
    ScopedTempDir dir;
    EXPECT_EQ(Nimbrel.MakePath("a/b/c/file.xml"), 1);
    EXPECT_TRUE(IsDirectory("a/b/c"));
    EXPECT_FALSE(FileExists("a/b/c/file.xml"));
    EXPECT_EQ(Nimbrel.MakePath("a/b/c/file.xml"), 1); // all there already

    EXPECT_EQ(Nimbrel.MakePath("C:x\\y\\z.txt"), 1); // drive dropped, backslashes are separators
    EXPECT_TRUE(IsDirectory("x/y"));

    std::string absolute = dir.path() + "/abs/deeper/f";
    EXPECT_EQ(Nimbrel.MakePath(absolute.c_str()), 1);
    EXPECT_TRUE(IsDirectory(dir.path() + "/abs/deeper"));
}

TEST(MakePath, RefusesPathsWithoutDirectoryOrBlockedByAFile) {
    ScopedTempDir dir;
    EXPECT_EQ(Nimbrel.MakePath(nullptr), 0);
    EXPECT_EQ(Nimbrel.MakePath(""), 0);
    EXPECT_EQ(Nimbrel.MakePath("file.xml"), 0);
    WriteFile("plain", "x");
    EXPECT_EQ(Nimbrel.MakePath("plain/sub/file.xml"), 0);
    EXPECT_FALSE(IsDirectory("plain/sub"));
}

TEST(Engine, StartingSdlLeavesTerminationSignalsAsTheyWere) {
    ScopedTempDir dir;
    struct sigaction before {};
    sigaction(SIGTERM, nullptr, &before);
    ASSERT_EQ(before.sa_handler, SIG_DFL);
    EngineSession engine(2);
    ASSERT_TRUE(engine.started());
    Nimbrel.renderer = kRendererWindib; // restarts the video part of SDL
    ASSERT_EQ(Nimbrel.SetVideoMode(), 1);
    struct sigaction interrupt {}, terminate {};
    sigaction(SIGINT, nullptr, &interrupt);
    sigaction(SIGTERM, nullptr, &terminate);
    EXPECT_EQ(interrupt.sa_handler, SIG_DFL);
    EXPECT_EQ(terminate.sa_handler, SIG_DFL);
}
