// gridplayer: a player for the soldiers-and-cannons board game on any board of
// 6 to 10 rows and 1 to 10 columns. The position lives in plain integer arrays,
// moves are generated separately for each colour and the move is chosen by a
// depth-limited minimax search with alpha-beta cut-offs.
//
// Cell codes: 0 empty, 1 white town hall, 2 white soldier, -1 black town hall,
// -2 black soldier. The sign alone tells the owner. White starts on the low
// rows and advances towards row n-1; black starts on the high rows.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

// Everything of the program lives in this namespace, so that it can share a
// binary with the other player; its own names stay as the program uses them.
namespace gridplayer {

// The smallest board has three rows of soldiers a side; the largest keeps
// moves to single-digit coordinates.
constexpr int kMinRows = 6;
constexpr int kMaxSide = 10;
constexpr int kMaxCells = kMaxSide * kMaxSide;

// ---- Game state (set from the header, read everywhere) ----------------------

extern int** board;    // the game board, n rows of m cells, [row][column]
extern int n;          // rows
extern int m;          // columns
extern int player_id;  // 1 plays black and moves first, 2 plays white and answers
extern int gameTime;   // read from the header, never used by a decision
extern int MAX_DEPTH;  // search depth limit, raised by the game loop (scheduledDepth)

// Cheap instrumentation read by tests and benchmarks: calls of DFS, and nodes
// created minus nodes deleted. Neither influences play.
extern std::int64_t dfsCallCount;
extern std::int64_t liveNodeCount;

// ---- Search node --------------------------------------------------------------

// One position of the search. A node owns the storage of its children list;
// the child nodes themselves are released explicitly by the search (deleteNode
// / deleteNodeChildren), never implicitly with the parent. A node made by
// createNode, or by a generator outside a search, owns a copy of its board.
// Inside a search (DFS, getMove) a child holds only its move and its grid is
// the search's one board, on which DFS makes the move when it enters the
// child and takes it back when it leaves: the grid shows the child's position
// while the child is being searched.
struct node {
    int fromRow;  // moving soldier, or for a shot the cannon end nearer the target
    int fromCol;
    int toRow;  // landing square, or the square a shot empties
    int toCol;
    char moveType;                // 'M' step or slide, 'B' cannon shot
    int** grid;                   // position after the move (n x m)
    int value;                    // utility of grid, stored by DFS
    std::vector<node*> children;  // in generation order
};

// ---- Board and nodes ------------------------------------------------------------

// Allocates the global board for the current n x m and sets the starting
// position. A board left from an earlier game in the same process is freed
// first, so the in-process game loop can run more than once.
void initializeBoard();
void displayBoard();

// Root node: a copy of source, move fields zero.
node* createNode(int** source);
// Child node: a copy of source, which already shows the position after the
// move. Note the argument order: the type sits between the two squares.
node* createNode(int** source, int fromRow, int fromCol, char moveType, int toRow, int toCol);
// Writes the move that leads to p, in createNode's argument order.
inline void setMove(node* p, int fromRow, int fromCol, char moveType, int toRow, int toCol) {
    p->fromRow = fromRow;
    p->fromCol = fromCol;
    p->toRow = toRow;
    p->toCol = toCol;
    p->moveType = moveType;
}
void displayNode(node* p);
// Releases p's grid, its children storage and p itself, not the children.
void deleteNode(node* p);
// Releases every child of p (each as deleteNode), in list order. The list keeps
// its length; its entries must not be used again.
void deleteNodeChildren(node* p);
// The same, except for keep, which stays alive and listed at its position.
void deleteNodeChildren(node* p, node* keep);

// ---- Move generation --------------------------------------------------------------

// Append one child per legal move of that colour, in the fixed generation
// order (steps, then retreats, then cannons). p->grid is unchanged on return.
void getValidWhiteMoves(node* p);
void getValidBlackMoves(node* p);

// ---- Evaluation and search -----------------------------------------------------------

// Score of a position from the side of player_id; the depth does not matter.
int utility(int** grid, int depth);

// Scores node p at depth d within the window [alpha, beta]. Returns the score
// and the child that gave it (null when p was scored by utility). All of p's
// children are released before it returns, so only the score is usable.
std::pair<int, node*> DFS(node* p, int depth, int alpha, int beta);

// For tests: when set, DFS calls it at every node it scores, once the node's
// value is stored and while p->grid shows the node's position. Null in play.
extern void (*dfsNodeHook)(const node* p, int depth);

// The move chosen for the global board, e.g. "S 1 2 M 1 3"; empty text when
// the program has no legal move. The global board is left unchanged.
std::string getMove();

// The MAX_DEPTH the game loop searches its next move at, on a board of
// `rows` rows once it has sent `movesSent` moves: deeper once the opening is
// past, when the positions open up and a one-ply look no longer sees the
// cannons' threats; 8 rows from the fourth move on, 10 rows from the fifth,
// other boards never.
constexpr int scheduledDepth(int rows, int movesSent) {
    if (rows == 10 && movesSent >= 4) {
        return 3;
    }
    if (rows == 8 && movesSent >= 3) {
        return 4;
    }
    return 1;
}

// ---- Protocol and game loop ------------------------------------------------------------

// Splits the header "player_id rows columns gameTime" at single spaces and
// converts each field as a base-10 integer. On a header the program cannot
// play (a field without digits or out of int range, fewer than three spaces,
// a player id other than 1 or 2, rows outside 6..10 or columns outside 1..10)
// nothing is set, the reason is stored in *why and false is returned.
bool parseData(const std::string& header, std::string* why = nullptr);

// Reads one line (newline dropped, nothing else stripped). At end of input it
// returns empty text and leaves the stream failed, which the loop checks.
std::string getOppMove(std::istream& in);
std::string getOppMove();

// Writes the move and a newline, then flushes.
void sendMove(const std::string& move, std::ostream& out);
void sendMove(const std::string& move);

// Applies a move line to the global board by character position: 'M' moves
// the piece from (col at 2, row at 4) to (col at 8, row at 10), 'B' empties
// the target, any other type letter changes nothing. A line that cannot be a
// move (shorter than 11 characters, a non-digit coordinate, a square off the
// board) is refused: nothing is applied and false is returned.
bool playMove(const std::string& move);

// The whole program: the "n m" line on err, the header, the board, then moves
// until the input ends. Returns the exit status: 0 at end of input or when
// there is no legal move, 2 on an unusable header or move line (after one
// line on err quoting it). Globals start from their defaults on every call.
int runGame(std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace gridplayer
