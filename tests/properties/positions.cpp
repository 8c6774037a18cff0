#include "tests/properties/positions.h"

#include <stdexcept>

#include "gridplayer/gridplayer.h"
#include "positions/gridplayer_cells.h"
#include "positions/treeplayer_cells.h"
#include "treeplayer/next_moves.h"

namespace props {

using namespace gridplayer;  // NOLINT(google-build-using-namespace)

// Through the letters, so that the tests translate exactly as the tools do.
int treeplayer_code(Cell cell) {
    return positions::treeplayer_code(rules::letter(cell));
}

int gridplayer_code(Cell cell) {
    return positions::gridplayer_code(rules::letter(cell));
}

namespace {

const Cell kCells[] = {Cell::Empty, Cell::BlackSoldier, Cell::BlackTownHall, Cell::WhiteSoldier,
                       Cell::WhiteTownHall};

// The inverse translations: any code a player should never hold is an error
// the comparison must see, not something to map to an empty square.
Cell cell_of(int code, int (*translate)(Cell)) {
    for (Cell cell : kCells) {
        if (translate(cell) == code)
            return cell;
    }
    throw std::runtime_error("unknown cell code " + std::to_string(code));
}

}  // namespace

::Board to_treeplayer(const rules::Board& board) {
    ::Board out(static_cast<std::size_t>(board.rows()),
                std::vector<int>(static_cast<std::size_t>(board.columns())));
    for (int y = 0; y < board.rows(); ++y) {
        for (int x = 0; x < board.columns(); ++x)
            out[y][x] = treeplayer_code(board.at(x, y));
    }
    return out;
}

rules::Board from_treeplayer(const ::Board& board) {
    rules::Board out = rules::Board::starting(8, 8);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x)
            out.set(x, y, cell_of(board[y][x], treeplayer_code));
    }
    return out;
}

void load_gridplayer(const rules::Board& board) {
    n = board.rows();
    m = board.columns();
    initializeBoard();
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < m; ++x)
            gridplayer::board[y][x] = gridplayer_code(board.at(x, y));
    }
}

rules::Board from_gridplayer(int** grid, int rows, int columns) {
    rules::Board out = rules::Board::starting(rows, columns);
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < columns; ++x)
            out.set(x, y, cell_of(grid[y][x], gridplayer_code));
    }
    return out;
}

protocol::MoveLine to_line(const Move& move) {
    const auto& [piece, x1, y1, action, x2, y2] = move;
    return {piece, x1, y1, action, x2, y2};
}

std::vector<protocol::MoveLine> treeplayer_moves(const rules::Board& board, Side side) {
    std::vector<protocol::MoveLine> lines;
    for (const Move& move : board_moves(to_treeplayer(board), side == Side::Black))
        lines.push_back(to_line(move));
    return lines;
}

std::vector<protocol::MoveLine> gridplayer_moves(const rules::Board& board, Side side) {
    load_gridplayer(board);
    node* root = createNode(gridplayer::board);
    if (side == Side::Black)
        getValidBlackMoves(root);
    else
        getValidWhiteMoves(root);
    std::vector<protocol::MoveLine> lines;
    for (const node* child : root->children) {
        lines.push_back(
            {'S', child->fromCol, child->fromRow, child->moveType, child->toCol, child->toRow});
    }
    deleteNodeChildren(root);
    deleteNode(root);
    return lines;
}

}  // namespace props
