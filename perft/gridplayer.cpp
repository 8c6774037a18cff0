#include "perft/gridplayer.h"

#include "gridplayer/gridplayer.h"
#include "positions/gridplayer_cells.h"

namespace perft_gridplayer {

using namespace gridplayer;  // NOLINT(google-build-using-namespace)

namespace {

void expand(node* p, bool black) {
    if (black) {
        getValidBlackMoves(p);
    } else {
        getValidWhiteMoves(p);
    }
}

std::uint64_t countBelow(node* p, int depth, bool black) {
    if (depth == 0) {
        return 1;
    }
    expand(p, black);
    std::uint64_t total = 0;
    if (depth == 1) {
        total = p->children.size();
    } else {
        for (node* child : p->children) {
            total += countBelow(child, depth - 1, !black);
        }
    }
    deleteNodeChildren(p);
    p->children.clear();
    return total;
}

std::string moveText(const node* p) {
    return "S " + std::to_string(p->fromCol) + " " + std::to_string(p->fromRow) + " " +
           p->moveType + " " + std::to_string(p->toCol) + " " + std::to_string(p->toRow);
}

positions::Position startPosition(int rows, int columns) {
    n = rows;
    m = columns;
    initializeBoard();
    return positions::from_gridplayer(board, rows, columns, true);
}

std::vector<DivideLine> commandDivide(const positions::Position& position, int depth) {
    n = position.rows;
    m = position.columns;
    std::vector<int> cells = positions::gridplayer_cells(position);
    std::vector<int*> rows;
    rows.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        rows.push_back(cells.data() + static_cast<std::size_t>(i) * static_cast<std::size_t>(m));
    }
    return divide(rows.data(), depth, position.black_to_move);
}

}  // namespace

std::uint64_t perft(int** grid, int depth, bool blackToMove) {
    node* root = createNode(grid);
    std::uint64_t total = countBelow(root, depth, blackToMove);
    deleteNode(root);
    return total;
}

std::vector<DivideLine> divide(int** grid, int depth, bool blackToMove) {
    std::vector<DivideLine> lines;
    if (depth < 1) {
        return lines;
    }
    node* root = createNode(grid);
    expand(root, blackToMove);
    for (node* child : root->children) {
        lines.push_back({moveText(child), countBelow(child, depth - 1, !blackToMove)});
    }
    deleteNodeChildren(root);
    deleteNode(root);
    return lines;
}

perft_command::Tool perftTool() {
    perft_command::Tool tool;
    tool.name = "perft_gridplayer";
    tool.player = "gridplayer";
    // gridplayer's own bounds: this tool counts the player's moves and, like
    // the player, does not link the rules library.
    tool.min_rows = kMinRows;
    tool.max_rows = kMaxSide;
    tool.min_columns = 1;
    tool.max_columns = kMaxSide;
    tool.start = startPosition;
    tool.divide = [](const positions::Position& position, int depth, const std::string&) {
        return commandDivide(position, depth);
    };
    return tool;
}

}  // namespace perft_gridplayer
