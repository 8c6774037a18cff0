#include "gridplayer/gridplayer.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <iostream>
#include <optional>

#include "gridplayer/engine.h"
#include "gridplayer/move_passes.h"
#include "gridplayer/move_stack.h"
#include "gridplayer/node_pool.h"
#include "gridplayer/score.h"
#include "gridplayer/search_board.h"
#include "gridplayer/square_tables.h"

namespace gridplayer {

int** board = nullptr;
int n = 10;
int m = 10;
int player_id = 0;
int gameTime = 0;
int MAX_DEPTH = 1;

std::int64_t dfsCallCount = 0;
std::int64_t liveNodeCount = 0;

namespace {

// Rows of the board currently allocated, so a second game in one process can
// free the first board even though n has changed meanwhile.
int boardRows = 0;

int** newGrid() {
    int** grid = new int*[n];
    for (int i = 0; i < n; ++i) {
        grid[i] = new int[m];
    }
    return grid;
}

void printGrid(int** grid) {
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < m; ++j) {
            std::cout << grid[i][j] << '\t';
        }
        std::cout << std::endl << std::endl;
    }
}

bool onBoard(int row, int col) {
    return row >= 0 && row < n && col >= 0 && col < m;
}

}  // namespace

// ---- Board and nodes ------------------------------------------------------------

void initializeBoard() {
    if (board != nullptr) {
        for (int i = 0; i < boardRows; ++i) {
            delete[] board[i];
        }
        delete[] board;
    }
    board = newGrid();
    boardRows = n;
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < m; ++j) {
            board[i][j] = 0;
        }
    }
    // Town halls on every other square of each back row: white on the even
    // columns of row 0, black on the odd columns of the last row.
    for (int j = 0; j < m; j += 2) {
        board[0][j] = 1;
        if (j + 1 < m) {
            board[n - 1][j + 1] = -1;
        }
    }
    // Soldiers fill the three nearest rows, white on odd columns, black on even.
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < m; ++j) {
            if (j % 2 == 1) {
                board[i][j] = 2;
            } else {
                board[n - 1 - i][j] = -2;
            }
        }
    }
}

void displayBoard() {
    printGrid(board);
}

// A node holds its board in one of two ways. A node made by createNode, and a
// child made by a generator outside a search, owns a copy of the whole board
// (node_pool.h). Inside a search (DFS, getMove) a child holds only its move
// (move_stack.h): its grid is the search board's (search_board.h), on which
// DFS makes the move when it enters the child and takes it back before it
// leaves, so the child's grid shows its position for as long as the child is
// being searched, which is the only time the search reads it. A search makes
// millions of children and enters only some of them (the others are cut off),
// so a child costs a few stores, not a board copy.

node* createNode(int** source) {
    node* p = pool.acquire();
    copyCells(p->grid, source, contiguous(source));
    p->fromRow = p->fromCol = p->toRow = p->toCol = 0;
    p->moveType = 0;
    p->value = 0;
    ++liveNodeCount;
    return p;
}

node* createNode(int** source, int fromRow, int fromCol, char moveType, int toRow, int toCol) {
    node* p = createNode(source);
    setMove(p, fromRow, fromCol, moveType, toRow, toCol);
    return p;
}

void displayNode(node* p) {
    printGrid(p->grid);
}

// The record, its board and its children's storage go back to their pool.
void deleteNode(node* p) {
    if (p->grid != search.rows) {
        pool.release(p);
    }
    --liveNodeCount;
}

void deleteNodeChildren(node* p) {
    if (!p->children.empty() && p->children[0]->grid == search.rows) {
        moveStack.pop(p->children.size());
        liveNodeCount -= static_cast<std::int64_t>(p->children.size());
        return;
    }
    for (node* child : p->children) {
        deleteNode(child);
    }
}

void deleteNodeChildren(node* p, node* keep) {
    for (node* child : p->children) {
        if (child != keep) {
            deleteNode(child);
        }
    }
}

// ---- Move generation --------------------------------------------------------------

namespace {

// Inside a search: children hold their move only.
template <typename S, typename E>
void generateOnSearchBoard(node* p) {
    // Listed here first, so that p's list grows once, not once per move.
    node* made[kMaxMoves];
    std::size_t count = 0;
    auto add =
        [&made, &count ](int fr, int fc, char type, int tr, int tc) __attribute__((always_inline)) {
        made[count++] = moveNode(fr, fc, type, tr, tc);
    };
    Generator<S, decltype(add)>(search.box.cell, add).run(E::template candidates<S>());
    p->children.assign(made, made + count);
    liveNodeCount += static_cast<std::int64_t>(count);
}

// Outside a search: each child is a copy of the parent's board with the move
// made in the child's own cells, so the parent is never touched.
template <typename S>
void generateCopies(node* p) {
    squareTables();
    Mailbox box;
    box.load(p->grid);
    // Every own soldier is a candidate for every pass.
    Candidates c;
    for (int r = 0; r < n; ++r) {
        for (int col = 0; col < m; ++col) {
            if (p->grid[r][col] == S::own) {
                c.square[c.soldiers++] = r * m + col;
            }
        }
    }
    c.retreats = c.soldiers;
    c.cannons = c.soldiers;
    int* const second = std::copy(c.square, c.square + c.soldiers, c.square + c.soldiers);
    std::copy(c.square, c.square + c.soldiers, second);
    int** grid = p->grid;
    const bool whole = contiguous(grid);
    auto add = [p, grid, whole](int fr, int fc, char type, int tr, int tc) {
        node* child = pool.acquire();
        copyCells(child->grid, grid, whole);
        if (type == 'M') {
            child->grid[fr][fc] = 0;
            child->grid[tr][tc] = S::own;
        } else {
            child->grid[tr][tc] = 0;
        }
        setMove(child, fr, fc, type, tr, tc);
        child->value = 0;
        ++liveNodeCount;
        p->children.push_back(child);
    };
    Generator<S, decltype(add)>(box.cell, add).run(c);
}

template <typename S>
void generate(node* p) {
    if (!onSearchBoard(p)) {
        generateCopies<S>(p);
        return;
    }
    withEngine([p](auto engine) { generateOnSearchBoard<S, decltype(engine)>(p); });
}

}  // namespace

void getValidWhiteMoves(node* p) {
    generate<Side<+1>>(p);
}

void getValidBlackMoves(node* p) {
    generate<Side<-1>>(p);
}

// ---- Utility ------------------------------------------------------------------------

// The score of any grid, from the bit sets of its soldiers (score.h); a
// search keeps the score of its board move by move instead (engine.h).
int utility(int** grid, int /*depth*/) {
    const SquareTables& t = squareTables();
    if (m == 8 && n <= 8) {
        return scanScore<std::uint64_t, 8>(grid, t);
    }
    if (m == 10) {
        return scanScore<Bits, 10>(grid, t);
    }
    return scanScore<Bits, 0>(grid, t);
}

// ---- Search ------------------------------------------------------------------------------

void (*dfsNodeHook)(const node* p, int depth) = nullptr;

namespace {

// DFS steps in and out of a node: makes p's move on the search board when p
// holds only its move (every node but the one the search started from),
// stores p's score and shows p to the hook; the move is taken back when the
// visit ends.
template <typename E>
class Visit {
  public:
    __attribute__((always_inline)) Visit(node* p, int depth, bool ownMove)
        : p_(p), ownMove_(ownMove) {
        if (ownMove_) {
            E::make(p, undo_);
        }
        ++dfsCallCount;
        // The utility of p's grid, the search board, which the engine keeps
        // up to date move by move instead of scanning it.
        p->value = E::score();
        if (dfsNodeHook != nullptr) {
            dfsNodeHook(p, depth);
        }
    }
    __attribute__((always_inline)) ~Visit() {
        if (ownMove_) {
            // The record goes back to the stack with its parent's list; it
            // comes out again with no children.
            p_->children.clear();
            E::unmake(p_, undo_);
        }
    }
    Visit(const Visit&) = delete;
    Visit& operator=(const Visit&) = delete;

  private:
    node* p_;
    bool ownMove_;
    typename E::Undo undo_;
};

template <typename E>
std::pair<int, node*> searchNode(node* p, int depth, int alpha, int beta);

// DFS's score of a child at depth. Most nodes are leaves, so a leaf is
// scored here in its parent's frame rather than in a call of its own.
template <typename E>
__attribute__((always_inline)) inline int childScore(node* child, int depth, int alpha, int beta) {
    if (depth == MAX_DEPTH) {
        const Visit<E> visit(child, depth, true);
        return child->value;
    }
    return searchNode<E>(child, depth, alpha, beta).first;
}

// DFS on the search board with engine E; the children are searched by the
// same engine directly, since the board's size cannot change below.
template <typename E>
std::pair<int, node*> searchNode(node* p, int depth, int alpha, int beta) {
    const Visit<E> visit(p, depth, p != search.top);
    if (depth == MAX_DEPTH) {
        return {p->value, nullptr};
    }
    if ((player_id + depth) % 2 != 0) {
        getValidBlackMoves(p);
    } else {
        getValidWhiteMoves(p);
    }
    if (p->children.empty()) {
        return {p->value, nullptr};
    }
    node* best = p->children[0];
    int cur = childScore<E>(best, depth + 1, alpha, beta);
    // Later children get the current best itself as their bound, not the
    // tighter of it and the node's own window.
    if (depth % 2 == 0) {
        for (std::size_t k = 1; k < p->children.size() && cur < beta; ++k) {
            int v = childScore<E>(p->children[k], depth + 1, cur, beta);
            if (v > cur) {
                cur = v;
                best = p->children[k];
            }
        }
    } else {
        for (std::size_t k = 1; k < p->children.size() && cur > alpha; ++k) {
            int v = childScore<E>(p->children[k], depth + 1, alpha, cur);
            if (v < cur) {
                cur = v;
                best = p->children[k];
            }
        }
    }
    deleteNodeChildren(p);
    return {cur, best};
}

}  // namespace

std::pair<int, node*> DFS(node* p, int depth, int alpha, int beta) {
    if (!onSearchBoard(p)) {
        // A node that owns its board: the search starts from it.
        SearchScope scope(p);
        return DFS(p, depth, alpha, beta);
    }
    return withEngine(
        [=](auto engine) { return searchNode<decltype(engine)>(p, depth, alpha, beta); });
}

std::string getMove() {
    node* root = createNode(board);
    SearchScope scope(root);  // the root's children hold their moves only
    if (player_id % 2 != 0) {
        getValidBlackMoves(root);
    } else {
        getValidWhiteMoves(root);
    }
    if (root->children.empty()) {
        deleteNode(root);
        return "";
    }
    node* best = root->children[0];
    int cur = DFS(best, 1, INT_MIN, INT_MAX).first;
    for (std::size_t k = 1; k < root->children.size() && cur < INT_MAX; ++k) {
        int v = DFS(root->children[k], 1, cur, INT_MAX).first;
        if (v > cur) {
            cur = v;
            best = root->children[k];
        }
    }
    deleteNodeChildren(root, best);
    std::string text = "S " + std::to_string(best->fromCol) + " " + std::to_string(best->fromRow) +
                       " " + best->moveType + " " + std::to_string(best->toCol) + " " +
                       std::to_string(best->toRow);
    deleteNode(best);
    deleteNode(root);
    return text;
}

// ---- Protocol and game loop ------------------------------------------------------------

namespace {

// Base-10 conversion as the header needs it: leading white space skipped, an
// optional sign, at least one digit, stop at the first non-digit.
std::optional<int> toInt(const std::string& field) {
    std::size_t k = 0;
    while (k < field.size() && std::isspace(static_cast<unsigned char>(field[k]))) {
        ++k;
    }
    bool negative = false;
    if (k < field.size() && (field[k] == '+' || field[k] == '-')) {
        negative = field[k] == '-';
        ++k;
    }
    if (k == field.size() || !std::isdigit(static_cast<unsigned char>(field[k]))) {
        return std::nullopt;
    }
    long long value = 0;
    for (; k < field.size() && std::isdigit(static_cast<unsigned char>(field[k])); ++k) {
        value = value * 10 + (field[k] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) {
            return std::nullopt;
        }
    }
    if (negative) {
        value = -value;
    }
    if (value < INT_MIN || value > INT_MAX) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

// Quotes a line for a one-line diagnostic: control characters (a stray
// carriage return above all) are shown escaped so the message stays one line.
std::string quote(const std::string& line) {
    static const char* hex = "0123456789abcdef";
    std::string out = "\"";
    for (char ch : line) {
        auto u = static_cast<unsigned char>(ch);
        if (u < 0x20 || u == 0x7f) {
            out += "\\x";
            out += hex[u >> 4];
            out += hex[u & 15];
        } else {
            out += ch;
        }
    }
    return out + "\"";
}

void setWhy(std::string* why, const std::string& text) {
    if (why != nullptr) {
        *why = text;
    }
}

}  // namespace

bool parseData(const std::string& header, std::string* why) {
    static const char* names[4] = {"player id", "rows", "columns", "game time"};
    std::string fields[4];
    std::size_t start = 0;
    for (int f = 0; f < 3; ++f) {
        std::size_t space = header.find(' ', start);
        if (space == std::string::npos) {
            setWhy(why, "fewer than three separating spaces");
            return false;
        }
        fields[f] = header.substr(start, space - start);
        start = space + 1;
    }
    fields[3] = header.substr(start);
    int values[4];
    for (int f = 0; f < 4; ++f) {
        std::optional<int> v = toInt(fields[f]);
        if (!v) {
            setWhy(why, std::string(names[f]) + " is not an integer in range");
            return false;
        }
        values[f] = *v;
    }
    // Only the two sides exist: any other id would have the program generate
    // one colour's moves, score them for the other and move first.
    if (values[0] != 1 && values[0] != 2) {
        setWhy(why, "player id must be 1 or 2");
        return false;
    }
    // Coordinates travel as single digits and the two sides' three starting
    // rows must not overlap, so only 6..10 rows and 1..10 columns are playable.
    if (values[1] < kMinRows || values[1] > kMaxSide) {
        setWhy(why, "rows must be " + std::to_string(kMinRows) + " to " + std::to_string(kMaxSide));
        return false;
    }
    if (values[2] < 1 || values[2] > kMaxSide) {
        setWhy(why, "columns must be 1 to " + std::to_string(kMaxSide));
        return false;
    }
    player_id = values[0];
    n = values[1];
    m = values[2];
    gameTime = values[3];
    return true;
}

std::string getOppMove(std::istream& in) {
    std::string line;
    std::getline(in, line);
    return line;
}

std::string getOppMove() {
    return getOppMove(std::cin);
}

void sendMove(const std::string& move, std::ostream& out) {
    out << move << '\n';
    out.flush();
}

void sendMove(const std::string& move) {
    sendMove(move, std::cout);
}

bool playMove(const std::string& move) {
    if (move.size() < 11) {
        return false;
    }
    for (int k : {2, 4, 8, 10}) {
        if (!std::isdigit(static_cast<unsigned char>(move[k]))) {
            return false;
        }
    }
    int fromCol = move[2] - '0';
    int fromRow = move[4] - '0';
    int toCol = move[8] - '0';
    int toRow = move[10] - '0';
    if (!onBoard(fromRow, fromCol) || !onBoard(toRow, toCol)) {
        return false;
    }
    char type = move[6];
    if (type == 'M') {
        board[toRow][toCol] = board[fromRow][fromCol];
        board[fromRow][fromCol] = 0;
    } else if (type == 'B') {
        board[toRow][toCol] = 0;
    }
    return true;
}

int runGame(std::istream& in, std::ostream& out, std::ostream& err) {
    player_id = 0;
    n = 10;
    m = 10;
    gameTime = 0;
    MAX_DEPTH = 1;

    err << n << ' ' << m << '\n';
    err.flush();
    std::string header;
    if (!std::getline(in, header)) {
        return 0;  // no header at all: the referee has gone
    }
    std::string why;
    if (!parseData(header, &why)) {
        err << "gridplayer: unusable header " << quote(header) << ": " << why << '\n';
        return 2;
    }
    initializeBoard();

    auto readAndPlay = [&]() -> std::optional<int> {
        std::string move = getOppMove(in);
        if (in.fail()) {
            return 0;
        }
        if (!playMove(move)) {
            err << "gridplayer: malformed move line " << quote(move) << '\n';
            return 2;
        }
        return std::nullopt;
    };

    if (player_id == 2) {
        if (auto status = readAndPlay()) {
            return *status;
        }
    }
    int sent = 0;
    for (;;) {
        MAX_DEPTH = scheduledDepth(n, sent);
        std::string move = getMove();
        if (move.empty()) {
            return 0;  // no legal move: nothing to send
        }
        playMove(move);
        sendMove(move, out);
        ++sent;
        if (auto status = readAndPlay()) {
            return *status;
        }
    }
}

}  // namespace gridplayer
