#include "referee/game/outcome.h"

#include <gtest/gtest.h>

#include <sstream>

#include "referee/common/text.h"
#include "referee/game/display.h"
#include "referee/game/record.h"
#include "referee/match/match.h"

namespace {

using referee::EndReason;
using referee::Outcome;
using referee::Side;

TEST(Outcome, ResultFollowsTheLoserAndTheSentenceNamesIt) {
    const Outcome white_lost{EndReason::TownHallsLost, Side::White, "2 of them left"};
    EXPECT_EQ(white_lost.result(), "1-0");
    EXPECT_EQ(white_lost.describe(), "white lost its town halls: 2 of them left");
    EXPECT_EQ(white_lost.sentence(), "white lost its town halls");
    const Outcome black_lost{EndReason::TimeForfeit, Side::Black, ""};
    EXPECT_EQ(black_lost.result(), "0-1");
    EXPECT_EQ(black_lost.describe(), "black ran out of time");
    const Outcome draw{EndReason::Repetition, std::nullopt, ""};
    EXPECT_EQ(draw.result(), "1/2-1/2");
    EXPECT_EQ(referee::result_line(3, "treeplayer", "gridplayer", white_lost),
              "Finished game 3 (treeplayer vs gridplayer): 1-0 {white lost its town halls: 2 of "
              "them left}");
}

TEST(Outcome, QuoteMakesAnyBytesSafeAndShort) {
    EXPECT_EQ(referee::quote("S 1 2 M 1 3"), "\"S 1 2 M 1 3\"");
    EXPECT_EQ(referee::quote(std::string("a\r\n\"\\\0\xfe", 7)),
              "\"a\\x0d\\x0a\\x22\\x5c\\x00\\xfe\"");
    EXPECT_EQ(referee::quote("abcdef", 3), "\"abc...\"");
}

TEST(Record, TagsEscapeQuotesAndMovesCarryTheirTime) {
    referee::GameResult result;
    result.outcome = {EndReason::MalformedLine, Side::Black, "\"x\" (bad)"};
    result.moves = {{Side::Black, {'S', 0, 5, 'M', 0, 4}, 0.25},
                    {Side::White, {'S', 1, 2, 'M', 1, 3}, 1.5}};
    std::ostringstream out;
    write_record(out, {"test", "b", "w", 8, 8, 150}, result);
    const std::string text = out.str();
    EXPECT_NE(text.find("[Termination \"black wrote a malformed move line: \\\"x\\\" (bad)\"]"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\nS 0 5 M 0 4 {0.250s}\nS 1 2 M 1 3 {1.500s}\n0-1\n"), std::string::npos)
        << text;
    EXPECT_EQ(referee::record_moves(text),
              (std::vector<std::string>{"S 0 5 M 0 4", "S 1 2 M 1 3"}));
}

TEST(Display, CoordinatesReadOffTheBoardAsMoveLinesWriteThem) {
    auto board = referee::Board::starting(8, 8);
    const protocol::MoveLine move{'S', 0, 5, 'M', 1, 4};
    board.apply(move);
    const std::string text = referee::render_board(board, move, false);
    std::istringstream lines(text);
    std::string header, line;
    std::getline(lines, header);
    EXPECT_EQ(header, "     0  1  2  3  4  5  6  7  x");
    for (int y = 0; y <= 4; ++y)
        std::getline(lines, line);
    EXPECT_EQ(line, "  4  . [b] .  .  .  .  .  .");  // the target, marked
    std::getline(lines, line);
    EXPECT_EQ(line, "  5 [.] .  b  .  b  .  b  .");  // the emptied source, marked
    EXPECT_EQ(text.find('\033'), std::string::npos);
    EXPECT_NE(referee::render_board(board, move, true).find("\033["), std::string::npos);
}

}  // namespace
