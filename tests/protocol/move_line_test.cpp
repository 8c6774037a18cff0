#include "protocol/move_line.h"

#include <gtest/gtest.h>

namespace {

using protocol::Header;
using protocol::MoveLine;

TEST(MoveLine, FormatsAndReadsBackBothActions) {
    const MoveLine step{'S', 1, 2, 'M', 1, 3};
    const MoveLine shot{'S', 4, 5, 'B', 4, 1};
    EXPECT_EQ(protocol::format_move(step), "S 1 2 M 1 3");
    EXPECT_EQ(protocol::format_move(shot), "S 4 5 B 4 1");
    EXPECT_EQ(protocol::parse_move("S 1 2 M 1 3"), step);
    EXPECT_EQ(protocol::parse_move("S 4 5 B 4 1\n"), shot);
    EXPECT_EQ(protocol::parse_move("S 4 5 B 4 1\r\n"), shot);
    EXPECT_EQ(protocol::parse_move("S 12 0 M 10 9"), (MoveLine{'S', 12, 0, 'M', 10, 9}));
}

TEST(MoveLine, RejectsEverythingOutsideTheNotation) {
    const char* bad[] = {
        "",                 // nothing
        "S 1 2 M 1",        // five tokens
        "S 1 2 M 1 3 4",    // seven tokens
        "S 1 2 M 1 3 ",     // trailing space
        " S 1 2 M 1 3",     // leading space
        "S  1 2 M 1 3",     // double space
        "S\t1 2 M 1 3",     // tab instead of space
        "T 1 2 M 1 3",      // wrong piece letter
        "S 1 2 X 1 3",      // wrong action letter
        "S 1 2 MM 1 3",     // long action
        "S -1 2 M 1 3",     // negative coordinate
        "S 1 2 M 1 +3",     // sign
        "S a 2 M 1 3",      // letter coordinate
        "S 99999 2 M 1 3",  // absurdly long coordinate
        "S 1 2 M 1 3\r\r",  // two carriage returns
        "S 1 2 M 1 3\n\n",  // two newlines
    };
    for (const char* line : bad) {
        std::string why;
        EXPECT_FALSE(protocol::parse_move(line, &why)) << '"' << line << '"';
        EXPECT_FALSE(why.empty()) << '"' << line << '"';
    }
}

TEST(Header, FormatsAndReadsStrictly) {
    EXPECT_EQ(protocol::format_header(Header{2, 10, 10, 120}), "2 10 10 120");
    EXPECT_EQ(protocol::parse_header("1 8 8 150\n"), (Header{1, 8, 8, 150}));
    EXPECT_EQ(protocol::parse_header("2 10 10 -5\r\n"), (Header{2, 10, 10, -5}));
    std::string why;
    EXPECT_FALSE(protocol::parse_header("1 8 8", &why));
    EXPECT_FALSE(protocol::parse_header("1 8 8 150 7"));
    EXPECT_FALSE(protocol::parse_header("1 x 8 150"));
    EXPECT_FALSE(protocol::parse_header("1 8 8 99999999999"));
    EXPECT_FALSE(why.empty());
}

TEST(MoveLine, OnBoardChecksBothSquaresAgainstRowsAndColumns) {
    EXPECT_TRUE(protocol::on_board(MoveLine{'S', 0, 0, 'M', 7, 7}, 8, 8));
    EXPECT_FALSE(protocol::on_board(MoveLine{'S', 8, 0, 'M', 7, 7}, 8, 8));
    EXPECT_FALSE(protocol::on_board(MoveLine{'S', 0, 0, 'M', 7, 8}, 8, 8));
    // x runs over columns, y over rows.
    EXPECT_TRUE(protocol::on_board(MoveLine{'S', 9, 5, 'M', 9, 5}, 6, 10));
    EXPECT_FALSE(protocol::on_board(MoveLine{'S', 5, 9, 'M', 5, 9}, 6, 10));
}

}  // namespace
