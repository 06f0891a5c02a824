#include "GuiTest.h"
TEST(GuiSkeleton, ParentFrame) { EXPECT_NE(TestParentFrame(), nullptr); }
