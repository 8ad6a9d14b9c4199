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

} // namespace
