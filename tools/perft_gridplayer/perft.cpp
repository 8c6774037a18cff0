#include "tools/perft_gridplayer/perft.h"

#include "gridplayer/gridplayer.h"

namespace perft_gridplayer {

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

constexpr int kMinRows = 6;   // three rows of soldiers a side
constexpr int kMaxSide = 10;  // squares are single digits on the wire

position_file::Position startPosition(int rows, int columns) {
    n = rows;
    m = columns;
    initializeBoard();
    position_file::Position start{rows, columns, true, {}};
    for (int i = 0; i < rows; ++i) {
        for (int j = 0; j < columns; ++j) {
            start.cells.push_back(position_file::gridplayer_letter(board[i][j]));
        }
    }
    return start;
}

std::vector<perft_command::DivideLine> commandDivide(const position_file::Position& position,
                                                     int depth) {
    n = position.rows;
    m = position.columns;
    std::vector<std::vector<int>> cells(static_cast<std::size_t>(n));
    std::vector<int*> rows;
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < m; ++j) {
            cells[static_cast<std::size_t>(i)].push_back(
                position_file::gridplayer_code(position.at(i, j)));
        }
        rows.push_back(cells[static_cast<std::size_t>(i)].data());
    }
    std::vector<perft_command::DivideLine> lines;
    for (const DivideLine& line : divide(rows.data(), depth, position.black_to_move)) {
        lines.push_back({line.move, line.count});
    }
    return lines;
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

bool readPosition(std::istream& in, int rows, int columns, Position& out, std::string* why) {
    auto letters = position_file::read_single_position(in, rows, columns, why);
    if (!letters) {
        return false;
    }
    out.blackToMove = letters->black_to_move;
    out.cells.clear();
    for (char cell : letters->cells) {
        out.cells.push_back(position_file::gridplayer_code(cell));
    }
    return true;
}

perft_command::Tool perftTool() {
    perft_command::Tool tool;
    tool.name = "perft_gridplayer";
    tool.player = "gridplayer";
    tool.min_rows = kMinRows;
    tool.max_rows = kMaxSide;
    tool.min_columns = 1;
    tool.max_columns = kMaxSide;
    tool.start = startPosition;
    tool.divide = [](const position_file::Position& position, int depth, const std::string&) {
        return commandDivide(position, depth);
    };
    return tool;
}

int run(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    return perft_command::run(perftTool(), argc, argv, out, err);
}

}  // namespace perft_gridplayer
