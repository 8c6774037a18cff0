// gridplayer's input side line by line: the first line through parseData,
// every later line through playMove on the board the header set up, and now
// and then a one-ply getMove on whatever position the lines have built, so the
// generators meet boards no real game reaches.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "gridplayer/gridplayer.h"

namespace {

using namespace gridplayer;  // NOLINT(google-build-using-namespace)

using fuzz::require;
using Grid = std::vector<std::vector<int>>;

Grid snapshot() {
    Grid grid(static_cast<std::size_t>(n), std::vector<int>(static_cast<std::size_t>(m)));
    for (int r = 0; r < n; ++r) {
        for (int c = 0; c < m; ++c)
            grid[r][c] = board[r][c];
    }
    return grid;
}

bool digit(char c) {
    return c >= '0' && c <= '9';
}

// What playMove promises, read from the line independently: the expected
// board after it, or nothing when the line must be refused.
bool expected_after(const std::string& line, Grid& grid) {
    if (line.size() < 11 || !digit(line[2]) || !digit(line[4]) || !digit(line[8]) ||
        !digit(line[10])) {
        return false;
    }
    const int from_col = line[2] - '0';
    const int from_row = line[4] - '0';
    const int to_col = line[8] - '0';
    const int to_row = line[10] - '0';
    if (from_row >= n || from_col >= m || to_row >= n || to_col >= m)
        return false;
    if (line[6] == 'M') {
        // Target first, then the source is emptied: a line naming the same
        // square twice removes the piece (the referee refuses such a line
        // long before it reaches a player).
        grid[to_row][to_col] = grid[from_row][from_col];
        grid[from_row][from_col] = 0;
    } else if (line[6] == 'B') {
        grid[to_row][to_col] = 0;
    }
    return true;
}

void check_own_move(bool black) {
    player_id = black ? 1 : 2;
    MAX_DEPTH = 1;
    const Grid before = snapshot();
    const std::int64_t live = liveNodeCount;
    const std::string move = getMove();
    require(liveNodeCount == live, "getMove releases every node it made");
    require(snapshot() == before, "getMove leaves the board as it found it");
    if (move.empty())
        return;
    require(fuzz::only_move_lines(move + "\n", n, m), "getMove names a move on the board");
    const int piece = before[move[4] - '0'][move[2] - '0'];
    require(black ? piece == -2 : piece == 2, "the chosen move starts from an own soldier");
    const int target = before[move[10] - '0'][move[8] - '0'];
    require(black ? target >= 0 : target <= 0, "the chosen move never takes an own piece");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> lines = fuzz::split_lines(fuzz::as_text(data, size));
    if (lines.empty())
        return 0;
    // A refused header must leave the previous game's settings alone.
    n = 8;
    m = 8;
    player_id = 1;
    std::string why;
    const bool usable = parseData(lines[0], &why);
    require(usable == why.empty(), "a header is refused exactly when a reason is given");
    if (!usable) {
        require(n == 8 && m == 8 && player_id == 1, "a refused header sets nothing");
        return 0;
    }
    require(n >= 6 && n <= 10 && m >= 1 && m <= 10, "an accepted header gives a playable board");
    require(player_id == 1 || player_id == 2, "an accepted header names one of the two sides");
    initializeBoard();
    for (std::size_t k = 1; k < lines.size(); ++k) {
        Grid expected = snapshot();
        const Grid before = expected;
        const bool must_apply = expected_after(lines[k], expected);
        const bool applied = playMove(lines[k]);
        require(applied == must_apply, "playMove refuses exactly the lines it cannot play");
        require(snapshot() == (applied ? expected : before),
                "an accepted line moves its own squares only; a refused one changes nothing");
        // Searching is dearer than reading: look at every fourth position.
        if (k % 4 == 0)
            check_own_move(lines[k].size() % 2 == 0);
    }
    check_own_move(true);
    check_own_move(false);
    return 0;
}
