// Where the nodes that own a board come from (createNode, and the generators
// outside a search). Boards are made and released all the time, so they never
// go back to the heap: a released node keeps its record, its board storage and
// its children's capacity for the next one.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <vector>

#include "gridplayer/gridplayer.h"

namespace gridplayer {

// A node's board is one block of cells with rows m cells apart, so copying a
// board is one memcpy; row pointers are laid out for the largest board the
// move notation can address (single-digit coordinates), whatever n is.
struct PooledNode {
    node record;
    int* rows[kMaxSide];
    int cells[kMaxCells];
};

class NodePool {
  public:
    NodePool() = default;
    NodePool(const NodePool&) = delete;
    NodePool& operator=(const NodePool&) = delete;
    ~NodePool() {
        for (PooledNode* block : blocks_) {
            delete block;
        }
    }

    // A node of the current n x m with an empty children list; its cells and
    // fields are for the caller to fill.
    node* acquire() {
        if (free_.empty()) {
            grow();
        }
        node* p = free_.back();
        free_.pop_back();
        if (p->grid[1] - p->grid[0] != m) {
            layOut(p->grid);
        }
        return p;
    }

    void release(node* p) {
        p->children.clear();
        free_.push_back(p);
    }

  private:
    __attribute__((noinline, cold)) void grow() {
        if (n > kMaxSide || m > kMaxSide) {
            std::cerr << "gridplayer: boards larger than " << kMaxSide << " x " << kMaxSide
                      << " cannot be searched\n";
            std::abort();
        }
        constexpr int kBatch = 64;
        for (int k = 0; k < kBatch; ++k) {
            auto* block = new PooledNode{};
            block->record.grid = block->rows;
            block->rows[0] = block->cells;
            block->rows[1] = block->cells;  // forces the first layOut
            block->record.children.reserve(64);
            blocks_.push_back(block);
            free_.push_back(&block->record);
        }
    }

    __attribute__((noinline, cold)) static void layOut(int** rows) {
        int* cells = rows[0];
        for (int i = 0; i < kMaxSide; ++i) {
            rows[i] = cells + static_cast<std::ptrdiff_t>(i) * m;
        }
    }

    std::vector<PooledNode*> blocks_;
    std::vector<node*> free_;
};

inline NodePool pool;

// True when the rows of grid follow each other m cells apart (pooled boards,
// and the tests' single-block boards), so the whole board copies at once.
inline bool contiguous(int** grid) {
    for (int i = 1; i < n; ++i) {
        if (grid[i] != grid[0] + static_cast<std::ptrdiff_t>(i) * m) {
            return false;
        }
    }
    return true;
}

__attribute__((always_inline)) inline void copyCells(int** to, int** from, bool fromContiguous) {
    if (fromContiguous) {
        std::memcpy(to[0], from[0], sizeof(int) * static_cast<std::size_t>(n * m));
    } else {
        for (int i = 0; i < n; ++i) {
            std::memcpy(to[i], from[i], sizeof(int) * static_cast<std::size_t>(m));
        }
    }
}

}  // namespace gridplayer
