#include "benchsets/gridplayer.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "gridplayer/gridplayer.h"
#include "positions/gridplayer_cells.h"

namespace gp_bench {

using namespace gridplayer;  // NOLINT(google-build-using-namespace)

namespace {

// The same piece of the other colour.
char otherColour(char letter) {
    switch (letter) {
        case 'b':
            return 'w';
        case 'w':
            return 'b';
        case 'B':
            return 'W';
        case 'W':
            return 'B';
        default:
            return letter;
    }
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
        out.push_back(positions::from_gridplayer(board, n, m, black));
    }
    return out;
}

Position mirrored(const Position& p) {
    Position q{p.rows, p.columns, !p.black_to_move, std::string(p.cells.size(), '.')};
    for (std::size_t k = 0; k < p.cells.size(); ++k) {
        q.cells[p.cells.size() - 1 - k] = otherColour(p.cells[k]);
    }
    return q;
}

std::vector<BenchSet> loadBenchSets(const std::string& dataDir) {
    std::vector<BenchSet> sets{{"8x8", 8, 4, {}}, {"10x10", 10, 3, {}}};
    for (BenchSet& s : sets) {
        std::string path = dataDir + "/gridplayer_" + s.name + ".txt";
        std::ifstream in(path);
        if (!in) {
            throw std::runtime_error("cannot open " + path);
        }
        try {
            s.positions = positions::read_positions(in, s.size, s.size);
        } catch (const std::runtime_error& e) {
            throw std::runtime_error(path + ": " + e.what());
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
    m = p.columns;
    player_id = p.black_to_move ? 1 : 2;
    MAX_DEPTH = depth;
    initializeBoard();
    const std::vector<int> cells = positions::gridplayer_cells(p);
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < m; ++j) {
            board[i][j] = cells[static_cast<std::size_t>(i) * static_cast<std::size_t>(m) +
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
                out << s.name << ' ' << k << " p" << (p.black_to_move ? 1 : 2) << ' '
                    << (r.move.empty() ? "none" : r.move) << " dfs " << r.dfs << '\n';
                total += r.dfs;
            }
        }
    }
    out << "total dfs " << total << '\n';
    return out.str();
}

}  // namespace gp_bench
