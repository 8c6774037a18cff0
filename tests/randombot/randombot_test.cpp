#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "protocol/move_line.h"
#include "rules/board.h"
#include "rules/legal_moves.h"
#include "run_referee.h"

namespace {

// Every move of every game in a referee record, replayed from the start:
// each must be one the rules allow the mover under its reading, black's
// `first` in the first game, the readings changing colour each game.
// Returns the number of moves checked.
int check_record(const std::string& record, int rows, int columns,
                 rules::Reading first = rules::Reading::Gridplayer,
                 rules::Reading second = rules::Reading::Gridplayer) {
    std::istringstream lines(record);
    std::string line;
    rules::Board board = rules::Board::starting(rows, columns);
    rules::Side mover = rules::Side::Black;
    int checked = 0;
    while (std::getline(lines, line)) {
        if (line.starts_with("[Event")) {
            board = rules::Board::starting(rows, columns);
            mover = rules::Side::Black;
            if (checked > 0)
                std::swap(first, second);
        }
        if (!line.starts_with("S "))
            continue;
        const auto move = protocol::parse_move(line.substr(0, line.find(" {")));
        EXPECT_TRUE(move) << line;
        if (!move)
            return checked;
        const auto legal =
            rules::legal_moves(board, mover, mover == rules::Side::Black ? first : second);
        EXPECT_NE(std::find(legal.begin(), legal.end(), *move), legal.end())
            << rules::side_name(mover) << " played " << line << " after " << checked << " plies";
        board.apply(*move);
        mover = rules::opponent(mover);
        ++checked;
    }
    return checked;
}

TEST(Randombot, PlaysOnlyLegalMoves) {
    const std::string dir = referee_test::scratch_dir("randombot");
    const std::string path = dir + "/game.txt";
    for (const auto& [rows, columns] : {std::pair{8, 8}, std::pair{10, 10}, std::pair{7, 9}}) {
        SCOPED_TRACE(std::to_string(rows) + "x" + std::to_string(columns));
        const auto run = referee_test::run_referee(
            REFEREE, {"--quiet", "--games", "4", "--rows", std::to_string(rows), "--columns",
                      std::to_string(columns), "--record", path,
                      referee_test::command(RANDOMBOT, {"--seed", "11"}),
                      referee_test::command(RANDOMBOT, {"--seed", "12"})});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_GT(check_record(referee_test::read_file(path), rows, columns), 40);
    }
    std::filesystem::remove_all(dir);
}

// Random legal players of both readings against each other, colours
// alternating: the referee's default rules never call one of them illegal.
TEST(Randombot, LegalPlayersOfEitherReadingAreNeverCalledIllegal) {
    const std::string dir = referee_test::scratch_dir("randombot-readings");
    const std::string path = dir + "/games.txt";
    for (const int seed : {1, 2, 3}) {
        const auto run = referee_test::run_referee(
            REFEREE, {"--quiet", "--games", "4", "--record", path,
                      referee_test::command(
                          RANDOMBOT, {"--rules", "treeplayer", "--seed", std::to_string(seed)}),
                      referee_test::command(RANDOMBOT, {"--seed", std::to_string(seed + 10)})});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out.find("illegal"), std::string::npos) << run.out;
        EXPECT_GT(check_record(referee_test::read_file(path), 8, 8, rules::Reading::Treeplayer,
                               rules::Reading::Gridplayer),
                  40);
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
