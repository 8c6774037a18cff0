#include "referee/game/record.h"
#include "record_moves.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

using referee::EndReason;
using rules::Side;

TEST(Record, TagsEscapeQuotesAndMovesCarryTheirTime) {
    referee::GameResult result;
    result.outcome = {EndReason::MalformedLine, Side::Black, "\"x\" (bad)"};
    result.moves = {{Side::Black, {'S', 0, 5, 'M', 0, 4}, 0.25},
                    {Side::White, {'S', 1, 2, 'M', 1, 3}, 1.5}};
    std::ostringstream out;
    write_record(out, {"test", "b", "w", 8, 8, {150}}, result);
    const std::string text = out.str();
    EXPECT_NE(text.find("[Termination \"black wrote a malformed move line: \\\"x\\\" (bad)\"]"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\nS 0 5 M 0 4 {0.250s}\nS 1 2 M 1 3 {1.500s}\n0-1\n"), std::string::npos)
        << text;
    EXPECT_EQ(test_support::record_moves(text),
              (std::vector<std::string>{"S 0 5 M 0 4", "S 1 2 M 1 3"}));
}

}  // namespace
