// The one position of the tools, the bench sets and the tests, and the file
// it is kept in, which every perft tool reads and the bench sets are written
// in:
//
//   # lines starting with '#' and blank lines are skipped anywhere
//   black                 <- side to move: "black" or "white"
//   W w W w W w W w       <- row 0 first, one letter per column;
//   . w . w . w . w          spaces between letters are optional
//   ...
//
// Letters, not cell codes, because the programs' cell codes disagree (a white
// soldier is -1 to treeplayer and 2 to gridplayer): '.' empty, 'w' white
// soldier, 'W' white town hall, 'b' black soldier, 'B' black town hall.
// A file of several positions (a bench set) is the same blocks one after
// another.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace positions {

struct Position {
    int rows = 0;
    int columns = 0;
    bool black_to_move = true;
    std::string cells;  // row-major letters, rows * columns of them

    char at(int row, int column) const;
};

// True for the five letters above.
bool is_cell_letter(char letter);

// Reads the next position of `rows` x `columns` from `in`. At the end of the
// input it returns nullopt and leaves `why` empty; on a malformed position it
// returns nullopt and says in `why` what is wrong and where.
std::optional<Position> read_position(std::istream& in, int rows, int columns, std::string* why);

// Reads a file holding exactly one position: anything but comments after it
// is an error.
std::optional<Position> read_single_position(std::istream& in, int rows, int columns,
                                             std::string* why);

// Reads every position of `rows` x `columns` up to the end of the input (a
// bench set). Throws std::runtime_error saying what is wrong and where when
// one is malformed.
std::vector<Position> read_positions(std::istream& in, int rows, int columns);

// Writes a position in that format, letters separated by single spaces.
void write_position(std::ostream& out, const Position& position);

}  // namespace positions
