// What explain finds out about one position: the board, every root move with
// the value the program's own search gave it, and the move the program plays.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace explain {

// How far a searched value can be trusted. A cut-off stops a search as soon
// as it knows a move cannot change the choice, so it learns only a bound.
enum class Bound {
    exact,  // the move's minimax value
    lower,  // the true value is at least this
    upper,  // the true value is at most this
};

const char* bound_name(Bound bound);

struct RootMove {
    std::string move;  // the move line, e.g. "S 1 2 M 1 3"
    int value = 0;
    Bound bound = Bound::exact;
    std::int64_t nodes = 0;           // positions the search scored below and at this move
    std::optional<float> evaluation;  // treeplayer: the float its truncated value comes from
    std::optional<int> full_window;   // gridplayer with --exact: value from a full-window search
};

struct Explanation {
    std::string program;
    bool black_to_move = true;
    int move_number = 1;  // 1 for the side's first move of the game
    int depth = 1;
    std::vector<std::string> board;     // one text row per board row, letters b B w W .
    std::vector<RootMove> moves;        // in the program's generation order
    std::optional<std::size_t> chosen;  // index into moves; none without a legal move
};

// A position or an option the program cannot be asked about (exit status 2).
struct InputError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// explain's replay of a search disagrees with the program's own choice: a bug
// in explain or a change in the player it has not followed (exit status 3).
struct ChoiceMismatch : std::runtime_error {
    using std::runtime_error::runtime_error;
};

}  // namespace explain
