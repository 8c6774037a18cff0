#include "gridplayer/gridplayer.h"

#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

namespace {

// Every search node comes from this pool. A search makes and drops millions of
// nodes of one size, so a released node keeps its record, its board storage
// and its children's capacity for the next one: after the first search of a
// game, making a node allocates nothing. The pool gives its memory back when
// the process ends.
//
// A node's board is one block of cells with rows m cells apart, so copying a
// board is one memcpy; row pointers are laid out for the largest board the
// move notation can address (single-digit coordinates), whatever n is.
constexpr int kMaxSide = 10;

struct PooledNode {
    node record;
    int* rows[kMaxSide];
    int cells[kMaxSide * kMaxSide];
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
    // Out of line: it runs only while the pool warms up, and kept inline it
    // made every child creation save and restore registers for it.
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
            // Enough for any position seen in play, so appending children
            // never reallocates once the pool is warm.
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

NodePool pool;

// True when the rows of grid follow each other m cells apart (pooled boards,
// and the tests' single-block boards), so the whole board copies at once.
bool contiguous(int** grid) {
    for (int i = 1; i < n; ++i) {
        if (grid[i] != grid[0] + static_cast<std::ptrdiff_t>(i) * m) {
            return false;
        }
    }
    return true;
}

// Inlined: it runs once per child, and the call cost more than the test.
__attribute__((always_inline)) inline void copyCells(int** to, int** from, bool fromContiguous) {
    if (fromContiguous) {
        std::memcpy(to[0], from[0], sizeof(int) * static_cast<std::size_t>(n * m));
    } else {
        for (int i = 0; i < n; ++i) {
            std::memcpy(to[i], from[i], sizeof(int) * static_cast<std::size_t>(m));
        }
    }
}

}  // namespace

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
    p->fromRow = fromRow;
    p->fromCol = fromCol;
    p->toRow = toRow;
    p->toCol = toCol;
    p->moveType = moveType;
    return p;
}

void displayNode(node* p) {
    printGrid(p->grid);
}

// The record, its board and its children's storage go back to the pool.
void deleteNode(node* p) {
    pool.release(p);
    --liveNodeCount;
}

void deleteNodeChildren(node* p) {
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

// Everything in which the two colours' rules differ, as compile-time
// constants: both generators share one body so the order of the passes cannot
// drift apart between the colours, and each is compiled for its colour.
template <int Sign>
struct Side {
    static constexpr int sign = Sign;     // +1 white, -1 black: own cells have this sign
    static constexpr int ahead = Sign;    // row step towards the opponent
    static constexpr int own = 2 * Sign;  // own soldier
    // Cannon directions (column step, row step) in the order they are tried.
    static constexpr int cannonDc[4] = {-1, 0, +1, +1};
    static constexpr int cannonDr[4] = {Sign > 0 ? +1 : -1, Sign > 0 ? +1 : -1, Sign > 0 ? 0 : -1,
                                        Sign > 0 ? +1 : 0};
};

template <typename S>
class Generator {
  public:
    explicit Generator(node* p) : p_(p), g_(p->grid), contiguous_(contiguous(p->grid)) {}

    void run() {
        // The three passes visit the same soldiers in the same scan order, and
        // making a child never changes the parent, so one scan serves all three.
        int count = 0;
        for (int r = 0; r < n; ++r) {
            const int* row = g_[r];
            for (int c = 0; c < m; ++c) {
                if (row[c] == S::own) {
                    soldiers_[count++] = {r, c};
                }
            }
        }
        for (int k = 0; k < count; ++k) {
            steps(soldiers_[k].r, soldiers_[k].c);
        }
        for (int k = 0; k < count; ++k) {
            retreats(soldiers_[k].r, soldiers_[k].c);
        }
        for (int k = 0; k < count; ++k) {
            cannons(soldiers_[k].r, soldiers_[k].c);
        }
    }

  private:
    static bool onBoard(int r, int c) {
        return static_cast<unsigned>(r) < static_cast<unsigned>(n) &&
               static_cast<unsigned>(c) < static_cast<unsigned>(m);
    }
    // Empty or enemy: a square a soldier may move to or a cannon may fire at.
    bool freeCell(int r, int c) const { return onBoard(r, c) && g_[r][c] * S::sign < 1; }
    // Enemy soldier or town hall: only these can be taken sideways.
    bool enemy(int r, int c) const { return onBoard(r, c) && g_[r][c] * S::sign < 0; }
    bool enemySoldier(int r, int c) const { return onBoard(r, c) && g_[r][c] == -S::own; }
    bool ownSoldier(int r, int c) const { return onBoard(r, c) && g_[r][c] == S::own; }
    bool empty(int r, int c) const { return onBoard(r, c) && g_[r][c] == 0; }

    // The child is the parent's board with the move made: copied whole, then
    // changed in the child's own cells, so the parent is never touched.
    void add(int fr, int fc, char type, int tr, int tc) {
        node* child = pool.acquire();
        copyCells(child->grid, g_, contiguous_);
        if (type == 'M') {
            child->grid[fr][fc] = 0;
            child->grid[tr][tc] = S::own;
        } else {
            child->grid[tr][tc] = 0;
        }
        child->fromRow = fr;
        child->fromCol = fc;
        child->toRow = tr;
        child->toCol = tc;
        child->moveType = type;
        child->value = 0;
        ++liveNodeCount;
        p_->children.push_back(child);
    }

    void steps(int r, int c) {
        int a = r + S::ahead;
        if (freeCell(a, c - 1))
            add(r, c, 'M', a, c - 1);
        if (enemy(r, c - 1))
            add(r, c, 'M', r, c - 1);
        if (freeCell(a, c))
            add(r, c, 'M', a, c);
        if (freeCell(a, c + 1))
            add(r, c, 'M', a, c + 1);
        if (enemy(r, c + 1))
            add(r, c, 'M', r, c + 1);
    }

    // A soldier under threat from an enemy soldier beside or ahead of it may
    // jump two rows back; a town hall threatens nothing.
    void retreats(int r, int c) {
        int back = r - 2 * S::ahead;
        if (back < 0 || back >= n) {
            return;
        }
        int a = r + S::ahead;
        bool threatened = enemySoldier(r, c - 1) || enemySoldier(r, c + 1) ||
                          enemySoldier(a, c - 1) || enemySoldier(a, c) || enemySoldier(a, c + 1);
        if (!threatened) {
            return;
        }
        if (freeCell(back, c))
            add(r, c, 'M', back, c);
        if (freeCell(back, c + 2))
            add(r, c, 'M', back, c + 2);
        if (freeCell(back, c - 2))
            add(r, c, 'M', back, c - 2);
    }

    void cannons(int r, int c) {
        for (int k = 0; k < 4; ++k) {
            const int dc = S::cannonDc[k];
            const int dr = S::cannonDr[k];
            if (!ownSoldier(r + dr, c + dc) || !ownSoldier(r + 2 * dr, c + 2 * dc)) {
                continue;
            }
            int headR = r + 2 * dr;
            int headC = c + 2 * dc;
            // Front: the tail jumps to the square beyond the head, and the head
            // fires two or three squares out, never through an occupied square.
            if (empty(r + 3 * dr, c + 3 * dc)) {
                add(r, c, 'M', r + 3 * dr, c + 3 * dc);
                if (freeCell(r + 4 * dr, c + 4 * dc)) {
                    add(headR, headC, 'B', r + 4 * dr, c + 4 * dc);
                }
                if (empty(r + 4 * dr, c + 4 * dc) && freeCell(r + 5 * dr, c + 5 * dc)) {
                    add(headR, headC, 'B', r + 5 * dr, c + 5 * dc);
                }
            }
            // Rear, the mirror image from the tail's side.
            if (empty(r - dr, c - dc)) {
                add(headR, headC, 'M', r - dr, c - dc);
                if (freeCell(r - 2 * dr, c - 2 * dc)) {
                    add(r, c, 'B', r - 2 * dr, c - 2 * dc);
                }
                if (empty(r - 2 * dr, c - 2 * dc) && freeCell(r - 3 * dr, c - 3 * dc)) {
                    add(r, c, 'B', r - 3 * dr, c - 3 * dc);
                }
            }
        }
    }

    struct Square {
        int r, c;
    };

    node* p_;
    int** g_;
    bool contiguous_;
    Square soldiers_[kMaxSide * kMaxSide];
};

}  // namespace

void getValidWhiteMoves(node* p) {
    Generator<Side<+1>>(p).run();
}

void getValidBlackMoves(node* p) {
    Generator<Side<-1>>(p).run();
}

// ---- Utility ------------------------------------------------------------------------

namespace {

// The score works on bit sets: square (row i, column j) is bit i * m + j,
// which is also its place in the row-by-row scan, so "the cells from this one
// to the end of the scan" is a subtraction and a line of three is two shifts
// and two ANDs over the whole board. Everything that depends on the square
// alone sits in per-square tables made once per board size.
__extension__ typedef unsigned __int128 Bits;

constexpr int kMaxCells = kMaxSide * kMaxSide;

struct SquareTables {
    int rows = -1;
    int cols = -1;
    // Advance plus own square of a soldier on the square, and the same plus
    // the running material term it starts when it is its colour's second,
    // fourth, ... soldier in the scan: from there on every scanned cell,
    // its own included, counts one more half pair.
    int white[kMaxCells], whiteSecond[kMaxCells];
    int black[kMaxCells], blackSecond[kMaxCells];
    // Line of three seen from the soldier on the square, by the way it runs.
    int leftRow[kMaxCells], leftDiag[kMaxCells], column[kMaxCells];
    int rightRow[kMaxCells], rightDiag[kMaxCells];
    // Squares with two columns to their left, and with two to their right:
    // a line reaching sideways must stay in its row, not wrap into the next.
    Bits fromColumn2 = 0;
    Bits toColumnEnd = 0;
};

// Both colours take the line weights from the row index as it stands; only
// black's advance is counted from the last row. Lines from columns 0..3
// running right and from 4.. running left point to the middle of an
// 8-column board and are rewarded; the others cost the row index.
void fill(SquareTables& t) {
    const int cells = n * m;
    t.fromColumn2 = 0;
    t.toColumnEnd = 0;
    for (int i = 0; i < n; ++i) {
        const int ownSquare = (i + 2) / 2 + (i <= 2 ? 1 - i : 0);
        const int blackRank = n - 1 - i;
        const int rowPlus = i <= 2 ? 3 : i + 2;
        const int diagPlus = i + 2;
        for (int j = 0; j < m; ++j) {
            const int b = i * m + j;
            t.white[b] = (i * i + 1) / 2 + ownSquare;
            t.black[b] = -((blackRank * blackRank + 1) / 2) + ownSquare;
            t.whiteSecond[b] = t.white[b] + (cells - b);
            t.blackSecond[b] = t.black[b] - (cells - b);
            t.leftRow[b] = j >= 4 ? rowPlus : -i;
            t.leftDiag[b] = j >= 4 ? diagPlus : -i;
            t.column[b] = (i + 2) / 2;
            t.rightRow[b] = j <= 3 ? rowPlus : -i;
            t.rightDiag[b] = j <= 3 ? diagPlus : -i;
            if (j >= 2) {
                t.fromColumn2 |= Bits{1} << b;
            }
            if (j + 2 < m) {
                t.toColumnEnd |= Bits{1} << b;
            }
        }
    }
    t.rows = n;
    t.cols = m;
}

const SquareTables& squareTables() {
    static SquareTables tables;
    if (tables.rows != n || tables.cols != m) {
        fill(tables);
    }
    return tables;
}

// What the score needs from the cells: each colour's soldiers as a set of
// squares and its town halls counted. Any other value is an empty square.
template <typename Word>
struct Census {
    Word white = 0;
    Word black = 0;
    int hallsWhite = 0;
    int hallsBlack = 0;
};

// Cell by cell; for board widths the game is rarely played on.
template <typename Word>
Census<Word> plainCensus(int** grid) {
    Census<Word> c;
    Word bit = 1;
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < m; ++j, bit <<= 1) {
            switch (grid[i][j]) {
                case 2:
                    c.white |= bit;
                    break;
                case -2:
                    c.black |= bit;
                    break;
                case 1:
                    ++c.hallsWhite;
                    break;
                case -1:
                    ++c.hallsBlack;
                    break;
                default:
                    break;
            }
        }
    }
    return c;
}

#if defined(__SSE2__)
__m128i load4(const int* cells) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(cells));
}

// Sixteen cells at a time, each narrowed to one byte with saturation (so a
// value that is no cell code cannot become one) and compared once per code.
// An 8-column board takes two rows a chunk, whose sixteen bits then follow
// each other in scan order; a 10-column board one row a chunk.
template <typename Word, int Cols>
Census<Word> vectorCensus(int** grid) {
    static_assert(Cols == 8 || Cols == 10);
    constexpr int rowsPerChunk = Cols == 8 ? 2 : 1;
    const __m128i zero = _mm_setzero_si128();
    __m128i hallsWhite = zero;  // each byte counts the halls seen in its lane
    __m128i hallsBlack = zero;
    Census<Word> c;
    for (int i = 0; i < n; i += rowsPerChunk) {
        const int* row = grid[i];
        __m128i first = _mm_packs_epi32(load4(row), load4(row + 4));
        __m128i second = zero;
        if constexpr (Cols == 8) {
            if (i + 1 < n) {
                second = _mm_packs_epi32(load4(grid[i + 1]), load4(grid[i + 1] + 4));
            }
        } else {
            second =
                _mm_packs_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + 8)), zero);
        }
        const __m128i v = _mm_packs_epi16(first, second);
        const int at = i * Cols;
        c.white |= static_cast<Word>(static_cast<unsigned>(
                       _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(2)))))
                   << at;
        c.black |= static_cast<Word>(static_cast<unsigned>(
                       _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(-2)))))
                   << at;
        hallsWhite = _mm_sub_epi8(hallsWhite, _mm_cmpeq_epi8(v, _mm_set1_epi8(1)));
        hallsBlack = _mm_sub_epi8(hallsBlack, _mm_cmpeq_epi8(v, _mm_set1_epi8(-1)));
    }
    const __m128i tw = _mm_sad_epu8(hallsWhite, zero);
    const __m128i tb = _mm_sad_epu8(hallsBlack, zero);
    c.hallsWhite = _mm_cvtsi128_si32(tw) + _mm_cvtsi128_si32(_mm_srli_si128(tw, 8));
    c.hallsBlack = _mm_cvtsi128_si32(tb) + _mm_cvtsi128_si32(_mm_srli_si128(tb, 8));
    return c;
}
#endif

// Cols is the board width when known at compile time (the two widths the
// game is played on), 0 for any width.
template <typename Word, int Cols>
Census<Word> census(int** grid) {
#if defined(__SSE2__)
    if constexpr (Cols != 0) {
        return vectorCensus<Word, Cols>(grid);
    }
#endif
    return plainCensus<Word>(grid);
}

int lowestBit(std::uint64_t x) {
    return __builtin_ctzll(x);
}

int lowestBit(Bits x) {
    const auto low = static_cast<std::uint64_t>(x);
    return low != 0 ? __builtin_ctzll(low)
                    : 64 + __builtin_ctzll(static_cast<std::uint64_t>(x >> 64));
}

// One colour's soldier terms: first, third, ... soldiers in scan order take
// `first`, second, fourth, ... take `second` (which adds the material term).
template <typename Word>
int soldierTerms(Word soldiers, const int* first, const int* second) {
    int sum = 0;
    for (Word x = soldiers; x != 0;) {
        sum += first[lowestBit(x)];
        x &= x - 1;
        if (x == 0) {
            break;
        }
        sum += second[lowestBit(x)];
        x &= x - 1;
    }
    return sum;
}

template <typename Word>
int sumOver(Word x, const int* weight) {
    int sum = 0;
    for (; x != 0; x &= x - 1) {
        sum += weight[lowestBit(x)];
    }
    return sum;
}

// Town-hall amounts on top of the board sum S, from player_id's side. The two
// sides' rules differ: white tests its own halls for three and below three,
// black for three and exactly two.
int finalScore(int S, int TW, int TB) {
    if (player_id == 2) {
        return S + (TW == 3 ? -500 : TW < 3 ? -1000 : 0) + (TB == 3 ? 500 : TB < 3 ? 20000 : 0);
    }
    return -S + (TW == 3 ? 500 : TW == 2 ? 20000 : 0) + (TB == 3 ? -500 : TB == 2 ? -1000 : 0);
}

template <typename Word, int Cols>
int score(int** grid, const SquareTables& t) {
    const int up = Cols != 0 ? Cols : m;  // bit distance of one row
    const Census<Word> c = census<Word, Cols>(grid);
    const Word W = c.white;
    const Word B = c.black;
    int S = soldierTerms(W, t.white, t.whiteSecond) + soldierTerms(B, t.black, t.blackSecond);
    // Lines of three, white's looking to higher rows (higher bits), black's
    // to lower ones; the weights are the same for both colours.
    const auto fromColumn2 = static_cast<Word>(t.fromColumn2);
    const auto toColumnEnd = static_cast<Word>(t.toColumnEnd);
    S += sumOver(((W & (W << 1) & (W << 2)) | (B & (B << 1) & (B << 2))) & fromColumn2, t.leftRow);
    S += sumOver(((W & (W >> 1) & (W >> 2)) | (B & (B >> 1) & (B >> 2))) & toColumnEnd, t.rightRow);
    S += sumOver((W & (W >> up) & (W >> 2 * up)) | (B & (B << up) & (B << 2 * up)), t.column);
    S += sumOver(((W & (W >> (up - 1)) & (W >> 2 * (up - 1))) |
                  (B & (B << (up + 1)) & (B << 2 * (up + 1)))) &
                     fromColumn2,
                 t.leftDiag);
    S += sumOver(((W & (W >> (up + 1)) & (W >> 2 * (up + 1))) |
                  (B & (B << (up - 1)) & (B << 2 * (up - 1)))) &
                     toColumnEnd,
                 t.rightDiag);
    return finalScore(S, c.hallsWhite, c.hallsBlack);
}

}  // namespace

int utility(int** grid, int /*depth*/) {
    const SquareTables& t = squareTables();
    if (m == 8 && n <= 8) {
        return score<std::uint64_t, 8>(grid, t);
    }
    if (m == 10) {
        return score<Bits, 10>(grid, t);
    }
    return score<Bits, 0>(grid, t);
}

// ---- Search ------------------------------------------------------------------------------

std::pair<int, node*> DFS(node* p, int depth, int alpha, int beta) {
    ++dfsCallCount;
    p->value = utility(p->grid, depth);
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
    int cur = DFS(best, depth + 1, alpha, beta).first;
    // Later children get the current best itself as their bound, not the
    // tighter of it and the node's own window.
    if (depth % 2 == 0) {
        for (std::size_t k = 1; k < p->children.size() && cur < beta; ++k) {
            int v = DFS(p->children[k], depth + 1, cur, beta).first;
            if (v > cur) {
                cur = v;
                best = p->children[k];
            }
        }
    } else {
        for (std::size_t k = 1; k < p->children.size() && cur > alpha; ++k) {
            int v = DFS(p->children[k], depth + 1, alpha, cur).first;
            if (v < cur) {
                cur = v;
                best = p->children[k];
            }
        }
    }
    deleteNodeChildren(p);
    return {cur, best};
}

std::string getMove() {
    node* root = createNode(board);
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
    if (values[1] < 6 || values[1] > 10) {
        setWhy(why, "rows must be 6 to 10");
        return false;
    }
    if (values[2] < 1 || values[2] > 10) {
        setWhy(why, "columns must be 1 to 10");
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
        std::string move = getMove();
        if (move.empty()) {
            return 0;  // no legal move: nothing to send
        }
        playMove(move);
        sendMove(move, out);
        ++sent;
        // Deeper search once the opening is past: the positions open up and a
        // one-ply look no longer sees the cannons' threats.
        if (n == 10 && sent == 4) {
            MAX_DEPTH = 3;
        } else if (n == 8 && sent == 3) {
            MAX_DEPTH = 4;
        }
        if (auto status = readAndPlay()) {
            return *status;
        }
    }
}
