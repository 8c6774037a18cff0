// Game-tree node. A node owns its children.
#pragma once

#include <vector>

#include "treeplayer/types.h"

namespace treeplayer {

class Node {
  public:
    Node() = default;
    ~Node();
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    // Read-only views: the search reads every leaf's board, so no getter
    // copies; a caller that wants a copy of its own makes one.
    const Board& GetBoard() const { return board; }
    const std::vector<Node*>& GetChildren() const { return children; }
    Move GetMove() const { return move; }
    bool GetBlack() const { return black; }
    float GetEval() const { return evaluation; }

    void SetBoard(Board b);
    void SetMove(Move m);
    void SetBlack(bool b);
    void SetEval(float e);

    // A new heap node: black flag the negation of `parentBlack`, the given
    // board and move, no children. Uses nothing of *this.
    Node* newNode(Board b, Move m, bool parentBlack);

    // Releases the present children and makes one child per move of the
    // side to move, in the order of next_moves.
    void SetChildren();

  private:
    void release_children();

    Board board;
    std::vector<Node*> children;
    Move move{'\0', 0, 0, '\0', 0, 0};
    bool black = true;
    float evaluation = 0.0f;
};

}  // namespace treeplayer
