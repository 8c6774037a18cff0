// Which requests the server lets through.
#include <gtest/gtest.h>

#include "referee/web/server.h"

namespace {

using referee::web::RequestFacts;

TEST(Refusal, OnlyThisMachinesPagesWithTheTokenGetThrough) {
    const std::string token = "abc123";
    const auto refused = [&](const RequestFacts& facts, const std::string& address = "127.0.0.1") {
        return referee::web::refusal(facts, address, 8123, token).has_value();
    };
    EXPECT_FALSE(refused({"127.0.0.1:8123", std::nullopt, token, ""}));
    EXPECT_FALSE(
        refused({"localhost:8123", "http://localhost:8123", "", "x=1; referee_token=abc123"}));
    EXPECT_FALSE(refused({"[::1]:8123", std::nullopt, token, ""}, "::1"));
    // No token, a wrong one, one that only starts right, one in another cookie.
    EXPECT_TRUE(refused({"127.0.0.1:8123", std::nullopt, "", ""}));
    EXPECT_TRUE(refused({"127.0.0.1:8123", std::nullopt, "abc124", ""}));
    EXPECT_TRUE(refused({"127.0.0.1:8123", std::nullopt, "abc1234", ""}));
    EXPECT_TRUE(refused({"127.0.0.1:8123", std::nullopt, "", "other_token=abc123"}));
    // Another site by name (DNS rebinding), another port, no Host at all.
    EXPECT_TRUE(refused({"attacker.example:8123", std::nullopt, token, ""}));
    EXPECT_TRUE(refused({"127.0.0.1:8124", std::nullopt, token, ""}));
    EXPECT_TRUE(refused({"", std::nullopt, token, ""}));
    // A page of another origin, even with the token.
    EXPECT_TRUE(refused({"127.0.0.1:8123", "http://attacker.example", token, ""}));
    EXPECT_TRUE(refused({"127.0.0.1:8123", "https://127.0.0.1:8123", token, ""}));
    EXPECT_TRUE(refused({"127.0.0.1:8123", "null", token, ""}));
}

}  // namespace
