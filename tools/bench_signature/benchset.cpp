#include "benchset.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "gridplayer/gridplayer.h"
#include "tools/perft_common/position_file.h"
#include "tools/perft_gridplayer/perft.h"

namespace gp_bench {

namespace {

// The global board, row-major, as a position.
Position fromBoard(bool blackToMove) {
    Position p{n, m, blackToMove, {}};
    for (int i = 0; i < n; ++i) {
        p.cells.insert(p.cells.end(), board[i], board[i] + m);
    }
    return p;
}

bool downToTwoTownHalls() {
    int white = 0;
    int black = 0;
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < m; ++j) {
            white += board[i][j] == 1;
            black += board[i][j] == -1;
        }
    }
    return white <= 2 || black <= 2;
}

}  // namespace

std::vector<Position> randomPositions(int rows, int cols, int plies, int count,
                                      std::uint32_t seed) {
    n = rows;
    m = cols;
    // A small generator of our own: its sequence, unlike a standard
    // distribution's, is the same with every library, so the files can be
    // remade anywhere.
    std::uint64_t state = seed * 0x9E3779B97F4A7C15ull + 1;
    auto next = [&state]() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    };
    std::vector<Position> out;
    for (int g = 0; g < count; ++g) {
        initializeBoard();
        bool black = true;
        for (int ply = 0; ply < plies && !downToTwoTownHalls(); ++ply) {
            node* root = createNode(board);
            if (black) {
                getValidBlackMoves(root);
            } else {
                getValidWhiteMoves(root);
            }
            if (root->children.empty()) {
                deleteNode(root);
                break;
            }
            node* pick = root->children[next() % root->children.size()];
            for (int i = 0; i < n; ++i) {
                for (int j = 0; j < m; ++j) {
                    board[i][j] = pick->grid[i][j];
                }
            }
            deleteNodeChildren(root);
            deleteNode(root);
            black = !black;
        }
        out.push_back(fromBoard(black));
    }
    return out;
}

Position mirrored(const Position& p) {
    Position q{p.rows, p.cols, !p.blackToMove, std::vector<int>(p.cells.size())};
    for (std::size_t k = 0; k < p.cells.size(); ++k) {
        q.cells[p.cells.size() - 1 - k] = -p.cells[k];
    }
    return q;
}

void writePosition(std::ostream& out, const Position& p) {
    out << (p.blackToMove ? "black" : "white") << '\n';
    for (int i = 0; i < p.rows; ++i) {
        for (int j = 0; j < p.cols; ++j) {
            out << (j == 0 ? "" : " ")
                << position_file::gridplayer_letter(
                       p.cells[static_cast<std::size_t>(i) * static_cast<std::size_t>(p.cols) +
                               static_cast<std::size_t>(j)]);
        }
        out << '\n';
    }
}

bool readPositions(std::istream& in, int rows, int cols, std::vector<Position>& out,
                   std::string* why) {
    // Each block is handed to the perft tool's reader, so both tools accept
    // exactly the same cells.
    std::vector<std::string> block;
    std::string line;
    auto flush = [&]() {
        std::istringstream text;
        std::string joined;
        for (const std::string& l : block) {
            joined += l + '\n';
        }
        text.str(joined);
        perft_gridplayer::Position pos;
        if (!perft_gridplayer::readPosition(text, rows, cols, pos, why)) {
            return false;
        }
        out.push_back({rows, cols, pos.blackToMove, pos.cells});
        block.clear();
        return true;
    };
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.find_first_not_of(" \t") == std::string::npos || line[0] == '#') {
            continue;
        }
        block.push_back(line);
        if (block.size() == static_cast<std::size_t>(rows) + 1 && !flush()) {
            return false;
        }
    }
    if (!block.empty()) {
        if (why != nullptr) {
            *why = "last position has only " + std::to_string(block.size()) + " lines";
        }
        return false;
    }
    return true;
}

std::vector<BenchSet> loadBenchSets(const std::string& dataDir) {
    std::vector<BenchSet> sets{{"8x8", 8, 4, {}}, {"10x10", 10, 3, {}}};
    for (BenchSet& s : sets) {
        std::string path = dataDir + "/gridplayer_" + s.name + ".txt";
        std::ifstream in(path);
        if (!in) {
            throw std::runtime_error("cannot open " + path);
        }
        std::string why;
        if (!readPositions(in, s.size, s.size, s.positions, &why)) {
            throw std::runtime_error(path + ": " + why);
        }
        if (s.positions.size() != 50) {
            throw std::runtime_error(path + ": expected 50 positions, found " +
                                     std::to_string(s.positions.size()));
        }
    }
    return sets;
}

void setUp(const Position& p, int depth) {
    n = p.rows;
    m = p.cols;
    player_id = p.blackToMove ? 1 : 2;
    MAX_DEPTH = depth;
    initializeBoard();
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < m; ++j) {
            board[i][j] = p.cells[static_cast<std::size_t>(i) * static_cast<std::size_t>(m) +
                                  static_cast<std::size_t>(j)];
        }
    }
}

SearchResult search(const Position& p, int depth) {
    setUp(p, depth);
    std::int64_t before = dfsCallCount;
    std::string move = getMove();
    return {move, dfsCallCount - before};
}

std::string signature(const std::vector<BenchSet>& sets) {
    std::ostringstream out;
    std::int64_t total = 0;
    for (const BenchSet& s : sets) {
        for (std::size_t k = 0; k < s.positions.size(); ++k) {
            for (const Position& p : {s.positions[k], mirrored(s.positions[k])}) {
                SearchResult r = search(p, s.depth);
                out << s.name << ' ' << k << " p" << (p.blackToMove ? 1 : 2) << ' '
                    << (r.move.empty() ? "none" : r.move) << " dfs " << r.dfs << '\n';
                total += r.dfs;
            }
        }
    }
    out << "total dfs " << total << '\n';
    return out.str();
}

}  // namespace gp_bench
