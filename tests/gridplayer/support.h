// Helpers shared by the gridplayer tests: owned boards of any size, expanded
// trees that clean up after themselves, and move texts.
#pragma once

#include <string>
#include <vector>

#include "gridplayer/gridplayer.h"

namespace gp_test {

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

inline std::vector<int> rowOf(int** grid, int row) {
    return std::vector<int>(grid[row], grid[row] + m);
}

}  // namespace gp_test
