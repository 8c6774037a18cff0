// The one board a search makes and takes back its moves on, in three forms
// kept in step: the cells (what a node's grid shows), the mailbox (what the
// generators and the line count read) and the bit sets with the running
// terms of the score. Single-threaded, like the rest of the program.
#pragma once

#include "gridplayer/gridplayer.h"
#include "gridplayer/mailbox.h"
#include "gridplayer/move_stack.h"
#include "gridplayer/score.h"

namespace gridplayer {

struct SearchBoard {
    node* top = nullptr;  // the node the running search started from, null between searches
    int* rows[kMaxSide] = {};
    int cells[kMaxCells] = {};
    Mailbox box{};
    Census<std::uint64_t> narrow;  // boards of eight columns and at most eight rows
    Census<Bits> wide;             // any other board
    Parities<std::uint64_t> narrowParities;
    Parities<Bits> wideParities;
    int material = 0;
    int halls = 0;  // hallAmounts of the board's town halls
    int lines = 0;  // lineSum of the board
    int kind = 0;   // which Engine (engine.h) serves the board's size
};

inline SearchBoard search;
inline MoveStack moveStack{search.rows};

// True for the node a search started from and every node inside it.
inline bool onSearchBoard(const node* p) {
    return search.top != nullptr && (p->grid == search.rows || p == search.top);
}

// A node that holds only its move, inside a search; the caller counts it in
// liveNodeCount. Its grid is the search board's, its children list is empty
// (a record's list is emptied when its node's search is over) and its value
// is unset until DFS reaches it.
__attribute__((always_inline)) inline node* moveNode(int fr, int fc, char type, int tr, int tc) {
    node* child = moveStack.push();
    setMove(child, fr, fc, type, tr, tc);
    return child;
}

// Puts p's board on the search board for the time of one search.
class SearchScope {
  public:
    explicit SearchScope(node* p);
    ~SearchScope();
    SearchScope(const SearchScope&) = delete;
    SearchScope& operator=(const SearchScope&) = delete;
};

}  // namespace gridplayer
