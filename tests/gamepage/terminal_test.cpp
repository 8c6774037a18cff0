#include "gamepage/terminal.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

TEST(TerminalDisplay, CoordinatesReadOffTheBoardAsMoveLinesWriteThem) {
    auto board = rules::Board::starting(8, 8);
    const protocol::MoveLine move{'S', 0, 5, 'M', 1, 4};
    board.apply(move);
    const std::string text = gamepage::render_board(board, move, false);
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
    EXPECT_NE(gamepage::render_board(board, move, true).find("\033["), std::string::npos);
}

}  // namespace
