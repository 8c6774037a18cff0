#include "tools/perft_gridplayer/perft.h"

#include <fstream>
#include <iostream>
#include <sstream>

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

bool parseInt(const char* text, int low, int high, int& out) {
    std::istringstream in(text);
    int value = 0;
    char extra = 0;
    if (!(in >> value) || (in >> extra) || value < low || value > high) {
        return false;
    }
    out = value;
    return true;
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
    auto fail = [why](const std::string& text) {
        if (why != nullptr) {
            *why = text;
        }
        return false;
    };
    Position pos;
    bool haveSide = false;
    int row = 0;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.find_first_not_of(" \t") == std::string::npos || line[0] == '#') {
            continue;
        }
        if (!haveSide) {
            std::istringstream words(line);
            std::string side;
            words >> side;
            if (side != "black" && side != "white") {
                return fail("first line must be \"black\" or \"white\", got \"" + line + "\"");
            }
            pos.blackToMove = side == "black";
            haveSide = true;
            continue;
        }
        if (row == rows) {
            return fail("more than " + std::to_string(rows) + " rows");
        }
        int col = 0;
        for (char ch : line) {
            int code = 0;
            switch (ch) {
                case ' ':
                case '\t':
                    continue;
                case '.':
                    code = 0;
                    break;
                case 'w':
                    code = 2;
                    break;
                case 'W':
                    code = 1;
                    break;
                case 'b':
                    code = -2;
                    break;
                case 'B':
                    code = -1;
                    break;
                default:
                    return fail("row " + std::to_string(row) + ": unknown cell '" +
                                std::string(1, ch) + "'");
            }
            if (col == columns) {
                return fail("row " + std::to_string(row) + " has more than " +
                            std::to_string(columns) + " cells");
            }
            pos.cells.push_back(code);
            ++col;
        }
        if (col != columns) {
            return fail("row " + std::to_string(row) + " has " + std::to_string(col) +
                        " cells, expected " + std::to_string(columns));
        }
        ++row;
    }
    if (!haveSide) {
        return fail("no side to move");
    }
    if (row != rows) {
        return fail("found " + std::to_string(row) + " rows, expected " + std::to_string(rows));
    }
    out = std::move(pos);
    return true;
}

int run(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    const char* usage =
        "usage: perft_gridplayer ROWS COLUMNS DEPTH [POSITION_FILE]\n"
        "  ROWS 6..10, COLUMNS 1..10, DEPTH 1..8; black moves first from the start\n";
    int rows = 0;
    int columns = 0;
    int depth = 0;
    if ((argc != 4 && argc != 5) || !parseInt(argv[1], 6, 10, rows) ||
        !parseInt(argv[2], 1, 10, columns) || !parseInt(argv[3], 1, 8, depth)) {
        err << usage;
        return 2;
    }
    n = rows;
    m = columns;
    initializeBoard();
    bool black = true;
    if (argc == 5) {
        std::ifstream file(argv[4]);
        if (!file) {
            err << "perft_gridplayer: cannot open " << argv[4] << '\n';
            return 2;
        }
        Position pos;
        std::string why;
        if (!readPosition(file, rows, columns, pos, &why)) {
            err << "perft_gridplayer: " << argv[4] << ": " << why << '\n';
            return 2;
        }
        for (int i = 0; i < rows; ++i) {
            for (int j = 0; j < columns; ++j) {
                board[i][j] =
                    pos.cells[static_cast<std::size_t>(i) * static_cast<std::size_t>(columns) +
                              static_cast<std::size_t>(j)];
            }
        }
        black = pos.blackToMove;
    }
    std::uint64_t total = 0;
    for (const DivideLine& line : divide(board, depth, black)) {
        out << line.move << ": " << line.count << '\n';
        total += line.count;
    }
    out << "total: " << total << '\n';
    return 0;
}

}  // namespace perft_gridplayer
