// The page carries the game as JSON inside a <script>: whatever the players
// are called, that data must come back unchanged and end no element early.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "gamepage/page.h"
#include "records/record.h"

namespace {

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

TEST(ReplayPage, HostileNamesStayData) {
    const std::string hostile = "</script><script>alert(1)</script><!-- & \xff";
    records::Game game;
    game.tags = {{"Black", hostile}, {"White", "</SCRIPT >"}, {"Termination", "a < b > c"}};
    game.moves = {{{'S', 0, 5, 'M', 0, 4}, 0.5, 3}, {{'S', 1, 2, 'B', 0, 4}, 0, 4}};
    const std::string page = gamepage::html_page(game, 1);

    // Only the page's own two scripts close, and no markup hides in the data.
    EXPECT_EQ(count(page, "</script>"), 2U);
    EXPECT_EQ(count(page, "<!--"), 0U);
    const std::string open = "<script type=\"application/json\" id=\"game-data\">";
    const auto start = page.find(open) + open.size();
    const std::string json = page.substr(start, page.find("</script>", start) - start);
    EXPECT_EQ(json.find_first_of("<>&"), std::string::npos);

    const auto data = nlohmann::json::parse(json);
    EXPECT_EQ(data["tags"][0][1], "</script><script>alert(1)</script><!-- & \xef\xbf\xbd");
    EXPECT_EQ(data["tags"][1][1], "</SCRIPT >");
    EXPECT_EQ(data["reason"], "a < b > c");
    EXPECT_EQ(data["start"], 1);
    EXPECT_EQ(data["moves"][1]["text"], "S 1 2 B 0 4");
    EXPECT_EQ(data["moves"][1]["action"], "B");
    EXPECT_EQ(data["moves"][0]["seconds"], 0.5);
}

}  // namespace
