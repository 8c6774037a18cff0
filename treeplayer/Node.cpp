#include "treeplayer/Node.h"

#include <utility>

#include "treeplayer/cannon_list.h"
#include "treeplayer/next_moves.h"

namespace treeplayer {

Node::~Node() {
    release_children();
}

void Node::release_children() {
    for (Node* child : children)
        delete child;
    children.clear();
}

void Node::SetBoard(Board b) {
    board = std::move(b);
}

void Node::SetMove(Move m) {
    move = m;
}

void Node::SetBlack(bool b) {
    black = b;
}

void Node::SetEval(float e) {
    evaluation = e;
}

Node* Node::newNode(Board b, Move m, bool parentBlack) {
    Node* node = new Node();
    node->black = !parentBlack;
    node->board = std::move(b);
    node->move = m;
    return node;
}

void Node::SetChildren() {
    const std::vector<Move> moves = board_moves(board, black);
    release_children();
    children.reserve(moves.size());
    for (const Move& m : moves) {
        children.push_back(newNode(Update_board(m, board), m, black));
    }
}

}  // namespace treeplayer
