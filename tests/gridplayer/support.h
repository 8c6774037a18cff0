// Helpers shared by the gridplayer tests: owned boards of any size, expanded
// trees that clean up after themselves, and move texts.
#pragma once

#include <string>
#include <vector>

#include "gridplayer/gridplayer.h"

namespace gp_test {

using namespace gridplayer;  // NOLINT(google-build-using-namespace)

// Sets the globals a position depends on, as a header would.
inline void useBoard(int rows, int cols, int player) {
    n = rows;
    m = cols;
    player_id = player;
}

// A board of the current n x m owned by the test (row pointers into one block).
class Grid {
  public:
    Grid()
        : cells_(static_cast<std::size_t>(n) * static_cast<std::size_t>(m), 0),
          rows_(static_cast<std::size_t>(n)) {
        for (int i = 0; i < n; ++i) {
            rows_[static_cast<std::size_t>(i)] = cells_.data() + static_cast<std::ptrdiff_t>(i) * m;
        }
    }
    explicit Grid(int** source) : Grid() {
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < m; ++j) {
                at(i, j) = source[i][j];
            }
        }
    }
    Grid(const Grid& other) : Grid() { cells_ = other.cells_; }
    Grid& operator=(const Grid&) = delete;

    int& at(int row, int col) {
        return cells_[static_cast<std::size_t>(row) * static_cast<std::size_t>(m) +
                      static_cast<std::size_t>(col)];
    }
    int** ptr() { return rows_.data(); }
    bool operator==(const Grid& other) const { return cells_ == other.cells_; }

  private:
    std::vector<int> cells_;
    std::vector<int*> rows_;
};

// The starting position of the current size.
inline Grid startGrid() {
    initializeBoard();
    return Grid(board);
}

// A root made from a grid and expanded for one colour; released with all its
// children when it goes out of scope.
class Expanded {
  public:
    Expanded(Grid& g, bool black) : root_(createNode(g.ptr())) {
        if (black) {
            getValidBlackMoves(root_);
        } else {
            getValidWhiteMoves(root_);
        }
    }
    ~Expanded() {
        deleteNodeChildren(root_);
        deleteNode(root_);
    }
    Expanded(const Expanded&) = delete;
    Expanded& operator=(const Expanded&) = delete;
    node* root() const { return root_; }
    const std::vector<node*>& children() const { return root_->children; }

  private:
    node* root_;
};

// Makes a fresh global board of the current size holding the grid.
inline void setBoard(Grid& g) {
    initializeBoard();
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < m; ++j) {
            board[i][j] = g.at(i, j);
        }
    }
}

inline std::string moveText(const node* p) {
    return "S " + std::to_string(p->fromCol) + " " + std::to_string(p->fromRow) + " " +
           p->moveType + " " + std::to_string(p->toCol) + " " + std::to_string(p->toRow);
}

inline std::vector<std::string> moveTexts(const Expanded& e) {
    std::vector<std::string> out;
    for (const node* c : e.children()) {
        out.push_back(moveText(c));
    }
    return out;
}

// The score computed literally, cell by cell, as the rules state it: the
// reference the bit-set utility and the search's running score are held to.
inline int literalUtility(int** g) {
    auto at = [&](int i, int j) { return i >= 0 && i < n && j >= 0 && j < m ? g[i][j] : 0; };
    int S = 0, W = 0, B = 0, TW = 0, TB = 0;
    for (int i = 0; i < n; ++i) {
        int rowPlus = i <= 2 ? 3 : i + 2;
        int diagPlus = i + 2;
        int minus = -i;
        int column = (i + 2) / 2;
        int ownSquare = (i + 2) / 2 + (i <= 2 ? 1 - i : 0);
        for (int j = 0; j < m; ++j) {
            int v = g[i][j];
            if (v == 2) {
                ++W;
                S += (i * i + 1) / 2;
            } else if (v == -2) {
                ++B;
                S -= ((n - 1 - i) * (n - 1 - i) + 1) / 2;
            } else if (v == 1) {
                ++TW;
            } else if (v == -1) {
                ++TB;
            }
            S += W / 2 - B / 2;
            if (v == 2 || v == -2) {
                int r = v == 2 ? 1 : -1;
                auto both = [&](int i1, int j1, int i2, int j2) {
                    return i1 >= 0 && i1 < n && j1 >= 0 && j1 < m && i2 >= 0 && i2 < n && j2 >= 0 &&
                           j2 < m && at(i1, j1) == v && at(i2, j2) == v;
                };
                if (both(i, j - 1, i, j - 2))
                    S += j >= 4 ? rowPlus : minus;
                if (both(i + r, j - 1, i + 2 * r, j - 2))
                    S += j >= 4 ? diagPlus : minus;
                S += ownSquare;
                if (both(i + r, j, i + 2 * r, j))
                    S += column;
                if (both(i, j + 1, i, j + 2))
                    S += j <= 3 ? rowPlus : minus;
                if (both(i + r, j + 1, i + 2 * r, j + 2))
                    S += j <= 3 ? diagPlus : minus;
            }
        }
    }
    int score;
    if (player_id == 2) {
        score = S;
        score += TW == 3 ? -500 : TW < 3 ? -1000 : 0;
        score += TB == 3 ? 500 : TB < 3 ? 20000 : 0;
    } else {
        score = -S;
        score += TW == 3 ? 500 : TW == 2 ? 20000 : 0;
        score += TB == 3 ? -500 : TB == 2 ? -1000 : 0;
    }
    return score;
}

inline std::vector<int> rowOf(int** grid, int row) {
    return std::vector<int>(grid[row], grid[row] + m);
}

}  // namespace gp_test
