// The dpf tool's command-line reader, driven with a row of the kind the import commands bring:
// arguments, a switch, a checked value, and a repeatable option.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "command_line.h"
#include "values.h"

namespace {

int RunNothing(const CommandLine&) { return kExitSuccess; }

const Command kSpriteRow{"add-sprite",
                         {{"PKG"}, {"NAME", Accepts<ParseBlockName>}},
                         {{"--depth", "8|16|24|32", "depth", Accepts<ParseDepth>},
                          {"--anim", "SPEC", "one animation", nullptr, true},
                          {"--replace", nullptr, "replace"}},
                         "Adds a sprite.",
                         RunNothing};

struct Reading {
    bool read;
    bool help;
    std::string problem;
};

Reading Read(const std::vector<std::string>& words, CommandLine* line) {
    Reading reading{false, false, std::string()};
    reading.read = ReadCommandLine(words, line, &reading.problem, &reading.help);
    return reading;
}

TEST(DpfCommandLine, KeepsEveryValueOfARepeatableOptionInOrder) {
    EXPECT_EQ("dpf add-sprite PKG NAME [--depth 8|16|24|32] [--anim SPEC]... [--replace]", Synopsis(kSpriteRow));

    CommandLine line(kSpriteRow);
    Reading reading = Read({"game.dpf", "--anim", "walk 0-3", "hero", "--depth", "16", "--anim", "jump 4-5"}, &line);
    ASSERT_TRUE(reading.read) << reading.problem;
    EXPECT_FALSE(reading.help);
    EXPECT_EQ("game.dpf", line.Argument("PKG"));
    EXPECT_EQ("hero", line.Argument("NAME"));
    EXPECT_EQ((std::vector<std::string>{"walk 0-3", "jump 4-5"}), line.Values("--anim"));
    EXPECT_FALSE(line.Has("--replace"));
    EXPECT_EQ("none", line.Value("--replace", "none"));
    int depth = 0;
    line.Get("--depth", ParseDepth, &depth);
    EXPECT_EQ(16, depth);
}

TEST(DpfCommandLine, RefusesWhatTheRowDoesNotAllow) {
    const struct {
        std::vector<std::string> words;
        std::string problem;
    } cases[] = {
        {{"game.dpf", "hero", "--depth", "8", "--depth", "16"}, "--depth may be given only once"},
        {{"game.dpf", "hero", "--depth", "7"}, "--depth must be 8, 16, 24 or 32, not '7'"},
        {{"game.dpf", "hero", "--anim"}, "--anim needs a value: --anim SPEC"},
        {{"game.dpf", "hero", "--frame", "8x8"}, "unknown option '--frame' for add-sprite"},
        {{"game.dpf", std::string(32, 'n')}, "a block name has 1 to 31 characters: '" + std::string(32, 'n') + "'"},
        {{"game.dpf"}, "add-sprite takes 2 arguments (PKG NAME), 1 given"},
    };
    for (const auto& c : cases) {
        CommandLine line(kSpriteRow);
        Reading reading = Read(c.words, &line);
        EXPECT_FALSE(reading.read) << c.problem;
        EXPECT_EQ(c.problem, reading.problem);
    }

    // A word after an option that takes a value is that value, even when it looks like an option;
    // "-" alone is an argument.
    CommandLine line(kSpriteRow);
    Reading reading = Read({"-", "hero", "--anim", "--replace"}, &line);
    ASSERT_TRUE(reading.read) << reading.problem;
    EXPECT_EQ("-", line.Argument("PKG"));
    EXPECT_EQ("--replace", line.Value("--anim"));
    EXPECT_FALSE(line.Has("--replace"));
}

TEST(DpfCommandLine, ARequiredOptionStandsOutsideBracketsAndMustBeGiven) {
    const Command row{"add-tile",
                      {{"PKG"}},
                      {{"--frame", "WxH", "size", Accepts<ParseSize>, false, true}, {"--replace", nullptr, "replace"}},
                      "Adds a tile.",
                      RunNothing};
    EXPECT_EQ("dpf add-tile PKG --frame WxH [--replace]", Synopsis(row));
    CommandLine missing(row);
    Reading reading = Read({"game.dpf", "--replace"}, &missing);
    EXPECT_FALSE(reading.read);
    EXPECT_EQ("add-tile needs --frame WxH", reading.problem);
    CommandLine help(row);
    EXPECT_TRUE(Read({"--help"}, &help).help); // help needs nothing else
    CommandLine given(row);
    ASSERT_TRUE(Read({"--frame", "3x4", "game.dpf"}, &given).read);
    PixelSize size;
    given.Get("--frame", ParseSize, &size);
    EXPECT_EQ(3u, size.width);
    EXPECT_EQ(4u, size.height);
}

// The sizes, points and animations of the sprite and tile imports: every edge of each range, and
// the near misses a hand-typed word brings.
TEST(DpfValues, SizesPointsAndAnimationsReadTheirWholeWordOrNothing) {
    PixelSize size;
    for (const char* bad :
         {"", "8", "x8", "8x", "0x8", "8x0", "32768x1", "8x8x8", "-1x8", "8X8", " 8x8", "8x8 ", "+8x8"})
        EXPECT_FALSE(ParseSize(bad, &size, nullptr)) << bad;
    ASSERT_TRUE(ParseSize("32767x1", &size, nullptr));
    EXPECT_EQ(32767u, size.width);

    PixelPoint point;
    for (const char* bad : {"", "1", "1,", ",1", "1,2,3", "--1,2", "32768,0", "0,-32769", "1;2", "-,1"})
        EXPECT_FALSE(ParsePoint(bad, &point, nullptr)) << bad;
    ASSERT_TRUE(ParsePoint("-32768,32767", &point, nullptr));
    EXPECT_EQ(-32768, point.x);
    EXPECT_EQ(32767, point.y);

    NimbrelAuthoring::SpriteAnimationSpec animation;
    for (const char* bad : {"", "loop", "loop:0", "loop:0:", "loop:0:1,", "loop:0:,1", "loop:-1:5", "loop:65536:5",
                            "Loop:0:5", "ping-pong:0:5", "3:0:5", "loop:0:4294967296", "loop:0:1:2", "loop::5"})
        EXPECT_FALSE(ParseAnimation(bad, &animation, nullptr)) << bad;
    ASSERT_TRUE(ParseAnimation("pingpong:65535:0,4294967295,7", &animation, nullptr));
    EXPECT_EQ(4, animation.type);
    EXPECT_EQ(65535, animation.loopStart);
    EXPECT_EQ((std::vector<Uint32>{0, 4294967295u, 7}), animation.frameTimes);
    for (const auto& word : {std::make_pair("loop:0:1", 2), std::make_pair("2:0:1", 2), std::make_pair("once:0:1", 8),
                             std::make_pair("8:0:1", 8), std::make_pair("4:0:1", 4)}) {
        ASSERT_TRUE(ParseAnimation(word.first, &animation, nullptr)) << word.first;
        EXPECT_EQ(word.second, animation.type) << word.first;
    }
}

} // namespace
