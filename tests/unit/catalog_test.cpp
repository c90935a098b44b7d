#include <gtest/gtest.h>

#include "core/LauncherCore.h"

TEST(Smoke, Builds) { EXPECT_TRUE(novra::validID("a-1")); }
