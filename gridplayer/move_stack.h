// Nodes that hold only their move, made and released in a search. A search
// releases them in the reverse order it made them, a whole children list at a
// time (DFS releases a node's children once their own children are gone), so
// they live on a stack: making one takes the next record, releasing a list
// drops as many records from the top. A record released on its own (getMove's
// chosen child, after its siblings) is counted as released and comes back
// when the search ends. Records keep their children's capacity, and every
// record's grid is the one board the search makes its moves on.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "gridplayer/gridplayer.h"

namespace gridplayer {

class MoveStack {
  public:
    explicit MoveStack(int** grid) : grid_(grid) {}

    __attribute__((always_inline)) node* push() {
        if (next_ == end_) {
            nextChunk();
        }
        return next_++;
    }

    // Drops the `count` records on top, the children of one node.
    void pop(std::size_t count) {
        if (count <= static_cast<std::size_t>(next_ - begin_)) {
            next_ -= count;
        } else {
            popAcrossChunks(count);
        }
    }

    void clear() {
        chunk_ = 0;
        begin_ = next_ = end_ = nullptr;
        if (!chunks_.empty()) {
            enter(0);
            next_ = begin_;
        }
    }

  private:
    static constexpr std::size_t kChunk = 4096;

    void enter(std::size_t chunk) {
        chunk_ = chunk;
        begin_ = chunks_[chunk].get();
        end_ = begin_ + kChunk;
    }

    __attribute__((noinline, cold)) void nextChunk() {
        const std::size_t chunk = begin_ == nullptr ? 0 : chunk_ + 1;
        if (chunk == chunks_.size()) {
            chunks_.push_back(std::make_unique<node[]>(kChunk));
            for (std::size_t k = 0; k < kChunk; ++k) {
                chunks_.back()[k].grid = grid_;
            }
        }
        enter(chunk);
        next_ = begin_;
    }

    __attribute__((noinline, cold)) void popAcrossChunks(std::size_t count) {
        count -= static_cast<std::size_t>(next_ - begin_);
        enter(chunk_ - 1);
        next_ = end_;
        pop(count);
    }

    int** grid_;
    std::vector<std::unique_ptr<node[]>> chunks_;
    std::size_t chunk_ = 0;  // the chunk next_ points into
    node* begin_ = nullptr;
    node* next_ = nullptr;
    node* end_ = nullptr;
};

}  // namespace gridplayer
