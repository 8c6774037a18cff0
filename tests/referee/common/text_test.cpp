#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include "referee/common/signal_text.h"
#include "text/printable.h"

namespace {

TEST(Text, QuoteMakesAnyBytesSafeAndShort) {
    EXPECT_EQ(text::quote("S 1 2 M 1 3"), "\"S 1 2 M 1 3\"");
    EXPECT_EQ(text::quote(std::string("a\r\n\"\\\0\xfe", 7)),
              "\"a\\x0d\\x0a\\x22\\x5c\\x00\\xfe\"");
    EXPECT_EQ(text::quote("abcdef", 3), "\"abc...\"");
}

TEST(Text, SignalTextGivesTheNumberThenTheName) {
    EXPECT_EQ(referee::signal_text(SIGTERM).rfind("signal 15 (", 0), 0U);
    EXPECT_EQ(referee::signal_text(SIGKILL).back(), ')');
}

}  // namespace
