#include <gtest/gtest.h>
#include "Nimbrel.h"
TEST(Placeholder, Builds) { EXPECT_STREQ(Nimbrel.GetVersion(), "Nimbrel SDK Linux v5.10 (build 3173)"); }
