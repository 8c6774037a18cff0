// Starts a program with a scripted standard input and collects its standard
// output, standard error and exit status.
#pragma once

#include <string>
#include <vector>

#include "treeplayer/types.h"

namespace tp_test {

struct ProcessResult {
    std::string out;
    std::string err;
    int status = -1;  // exit status, or 128 + signal number
};

// Runs argv[0] (a path) with the given arguments; stdin is `input`.
ProcessResult run_process(const std::vector<std::string>& argv, const std::string& input);

// The move treeplayer's library chooses for `black` to move on `board`
// (create_tree(root, 0) + minimax), or nullopt-like false when none.
bool choose_move(const Board& board, bool black, Move& move);

}  // namespace tp_test
