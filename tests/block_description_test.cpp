// NimbrelAuthoring::DescribeBlock, on the blocks the import tools never make: animations the
// loader mends, tile sizes it ignores, version 1.0 blocks it converts, and damage it refuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "NimbrelAuthoring.h"
#include "resource_test_util.h"

using namespace restest;

// What the engine's loaders mend or convert, DescribeBlock shows as they will run; what they
// refuse, it refuses with their reason.
TEST(DescribeBlock, ReadsBlocksAsTheLoadersDo) {
    std::string text, problem;
    TestSprite odd = MakeSprite(4, {spr::MakeAnimation(spr::kLoop, 3, 40), spr::MakeAnimation(spr::kPingPong, 3, 40)});
    WriteLittle16(&odd.payload[AnimationRecord(odd.payload, 1) + 6],
                  9); // starts past its end: frozen on its last frame
    ASSERT_TRUE(NimbrelAuthoring::DescribeBlock("SPR2", odd.payload.data(), odd.payload.size(), &text, &problem))
        << problem;
    EXPECT_EQ("4x4 frames, 2 animations: loop of 3 frames, 40 ms each; frozen on frame 2", text);

    TestTile uneven = MakeTile(64, 32, true, 16, 16);
    WriteLittle32(&uneven.payload[20], 24);
    ASSERT_TRUE(
        NimbrelAuthoring::DescribeBlock("TILB2", uneven.payload.data(), uneven.payload.size(), &text, &problem));
    EXPECT_EQ("64x32, drawn whole: its tiles of 24x16 do not divide it", text);
    const std::vector<Uint8> legacy = LegacyTile(MakeTile(64, 32, true, 16, 16).payload);
    ASSERT_TRUE(NimbrelAuthoring::DescribeBlock("TILE", legacy.data(), legacy.size(), &text, &problem)) << problem;
    EXPECT_EQ("64x32, a tile set of 8 tiles of 16x16 (4 x 2) (version 1.0, converted when first loaded)", text);

    ASSERT_TRUE(NimbrelAuthoring::DescribeBlock("IMG", legacy.data(), legacy.size(), &text, &problem));
    EXPECT_EQ("", text);
    EXPECT_FALSE(NimbrelAuthoring::DescribeBlock("TILE2", legacy.data(), legacy.size(), &text, &problem));
    EXPECT_EQ("the pixel rows do not fit in the block", problem); // a version 1.0 payload lacks the trailer
    EXPECT_FALSE(NimbrelAuthoring::DescribeBlock("SPR2", odd.payload.data(), odd.payload.size() - 1, &text, &problem));
    EXPECT_FALSE(problem.empty());
}
