#include "referee/common/text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Text, QuoteMakesAnyBytesSafeAndShort) {
    EXPECT_EQ(referee::quote("S 1 2 M 1 3"), "\"S 1 2 M 1 3\"");
    EXPECT_EQ(referee::quote(std::string("a\r\n\"\\\0\xfe", 7)),
              "\"a\\x0d\\x0a\\x22\\x5c\\x00\\xfe\"");
    EXPECT_EQ(referee::quote("abcdef", 3), "\"abc...\"");
}

}  // namespace
