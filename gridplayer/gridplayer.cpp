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

// Weights of the terms by the row of the soldier scanned; both colours use
// the row index as it stands, except for the advance, which black counts from
// the last row.
struct RowWeights {
    int white;     // advance plus own square of a white soldier
    int black;     // minus black's advance, plus own square of a black soldier
    int rowPlus;   // line along the row pointing to the middle
    int diagPlus;  // diagonal line pointing to the middle
    int penalty;   // row or diagonal line pointing away from it
    int column;    // line along the column
};

RowWeights rowWeights(int i) {
    int ownSquare = (i + 2) / 2 + (i <= 2 ? 1 - i : 0);
    int blackRank = n - 1 - i;
    return {(i * i + 1) / 2 + ownSquare,
            -((blackRank * blackRank + 1) / 2) + ownSquare,
            i <= 2 ? 3 : i + 2,
            i + 2,
            -i,
            (i + 2) / 2};
}

// The weights of every row for the current n, remade when n changes.
const RowWeights& weightsOf(int i) {
    static int madeFor = -1;
    static RowWeights table[kMaxSide];
    if (madeFor != n) {
        for (int r = 0; r < kMaxSide; ++r) {
            table[r] = rowWeights(r);
        }
        madeFor = n;
    }
    return table[i];
}

// The line terms of one soldier of code s at (i, j): ahead and ahead2 are the
// rows one and two steps in its colour's direction of advance (null when off
// the board). A line must lie wholly on the board and hold s on all squares.
// Lines pointing from columns 0..3 rightwards or from 4.. leftwards point
// towards the middle of an 8-column board and are rewarded.
template <int s>
int lineTerms(const int* row, const int* ahead, const int* ahead2, int j, const RowWeights& w) {
    int sum = 0;
    if (j >= 2) {
        if (row[j - 1] == s && row[j - 2] == s) {
            sum += j >= 4 ? w.rowPlus : w.penalty;
        }
        if (ahead2 != nullptr && ahead[j - 1] == s && ahead2[j - 2] == s) {
            sum += j >= 4 ? w.diagPlus : w.penalty;
        }
    }
    if (ahead2 != nullptr && ahead[j] == s && ahead2[j] == s) {
        sum += w.column;
    }
    if (j + 2 < m) {
        if (row[j + 1] == s && row[j + 2] == s) {
            sum += j <= 3 ? w.rowPlus : w.penalty;
        }
        if (ahead2 != nullptr && ahead[j + 1] == s && ahead2[j + 2] == s) {
            sum += j <= 3 ? w.diagPlus : w.penalty;
        }
    }
    return sum;
}

// Town-hall amounts on top of the board sum S, from player_id's side.
int finalScore(int S, int TW, int TB);

// The score by a plain cell-by-cell scan; used for boards too large for the
// bit-set form below.
int utilityByScan(int** grid) {
    int S = 0;
    int W = 0;
    int B = 0;
    int TW = 0;
    int TB = 0;
    // The material term (W halved minus B halved, added at every cell, empty
    // ones included: the further the scan has gone with a material lead, the
    // more it counts) changes only at soldiers, so it is added once per run
    // of cells between two soldiers: `material` over the cells from `since`.
    int material = 0;
    int since = 0;
    for (int i = 0; i < n; ++i) {
        const RowWeights& w = i < kMaxSide ? weightsOf(i) : rowWeights(i);
        const int* row = grid[i];
        const int* up = i + 1 < n ? grid[i + 1] : nullptr;
        const int* up2 = i + 2 < n ? grid[i + 2] : nullptr;
        const int* down = i >= 1 ? grid[i - 1] : nullptr;
        const int* down2 = i >= 2 ? grid[i - 2] : nullptr;
        for (int j = 0; j < m; ++j) {
            int v = row[j];
            if (v == 0) {
                continue;
            }
            if (v == 2 || v == -2) {
                int k = i * m + j;
                S += material * (k - since);
                since = k;
                if (v == 2) {
                    ++W;
                    S += w.white + lineTerms<2>(row, up, up2, j, w);
                } else {
                    ++B;
                    S += w.black + lineTerms<-2>(row, down, down2, j, w);
                }
                material = W / 2 - B / 2;
            } else if (v == 1) {
                ++TW;
            } else if (v == -1) {
                ++TB;
            }
        }
    }
    if (n > 0 && m > 0) {
        S += material * (n * m - since);
    }
    return finalScore(S, TW, TB);
}

int finalScore(int S, int TW, int TB) {
    int score;
    if (player_id == 2) {
        score = S;
        if (TW == 3) {
            score -= 500;
        } else if (TW < 3) {
            score -= 1000;
        }
        if (TB == 3) {
            score += 500;
        } else if (TB < 3) {
            score += 20000;
        }
    } else {
        score = -S;
        if (TW == 3) {
            score += 500;
        } else if (TW == 2) {
            score += 20000;
        }
        if (TB == 3) {
            score -= 500;
        } else if (TB == 2) {
            score -= 1000;
        }
    }
    return score;
}

// The same score from bit sets. Cell (i, j) is bit i * stride + j, with two
// always-empty guard columns after each row (stride = m + 2), so shifting a
// set by one or two columns, or by a row and a column, never wraps a line from
// one row into the next: every three-in-a-line test is two shifts and two ANDs
// over the whole board. What depends on the square alone (scan index, row
// weights) sits in tables made once per board size.
__extension__ typedef unsigned __int128 Bits;

// Per-bit weights of the soldier terms, one array per term so that a scan
// over a bit set reads one array.
template <int Bits>
struct CellWeights {
    int white[Bits];  // advance plus own square, white soldier
    int black[Bits];  // the same for black
    int leftRow[Bits], leftDiag[Bits], column[Bits], rightRow[Bits], rightDiag[Bits];

    // Lines pointing from their soldier towards the middle columns score
    // positively, lines pointing away cost the row index.
    void set(int b, int i, int j) {
        const RowWeights w = rowWeights(i);
        white[b] = w.white;
        black[b] = w.black;
        leftRow[b] = j >= 4 ? w.rowPlus : w.penalty;
        leftDiag[b] = j >= 4 ? w.diagPlus : w.penalty;
        column[b] = w.column;
        rightRow[b] = j <= 3 ? w.rowPlus : w.penalty;
        rightDiag[b] = j <= 3 ? w.diagPlus : w.penalty;
    }
};

struct BitLayout : CellWeights<128> {
    int rows = -1;
    int cols = -1;
    int stride = 0;
    int scanIndex[128];  // i * m + j: the position of the cell in the scan
};

bool fitsBits() {
    return m <= 16 && n * (m + 2) <= 128;
}

const BitLayout& bitLayout() {
    static BitLayout layout;
    if (layout.rows != n || layout.cols != m) {
        layout.rows = n;
        layout.cols = m;
        layout.stride = m + 2;
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < m; ++j) {
                int b = i * layout.stride + j;
                layout.scanIndex[b] = i * m + j;
                layout.set(b, i, j);
            }
        }
    }
    return layout;
}

template <typename F>
void forEachBit(Bits x, F f) {
    auto lo = static_cast<std::uint64_t>(x);
    auto hi = static_cast<std::uint64_t>(x >> 64);
    while (lo != 0) {
        f(__builtin_ctzll(lo));
        lo &= lo - 1;
    }
    while (hi != 0) {
        f(64 + __builtin_ctzll(hi));
        hi &= hi - 1;
    }
}

int sumOver(Bits x, const int* weight) {
    int sum = 0;
    forEachBit(x, [&](int b) { sum += weight[b]; });
    return sum;
}

// One row's soldiers as bit sets (bit j for column j) and its town halls
// added to the counts.
struct RowScan {
    unsigned white = 0;
    unsigned black = 0;
#if defined(__SSE2__)
    __m128i townWhite = _mm_setzero_si128();  // lanes count down by one per hall
    __m128i townBlack = _mm_setzero_si128();

    static __m128i load4(const int* row, int j) {
        if (j + 4 <= m) {
            return _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + j));
        }
        // Cells past the row's end read as empty; they are never loaded.
        int cells[4] = {0, 0, 0, 0};
        for (int k = 0; j + k < m && k < 4; ++k) {
            cells[k] = row[j + k];
        }
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(cells));
    }

    void scan(const int* row) {
        const __m128i two = _mm_set1_epi32(2);
        const __m128i minusTwo = _mm_set1_epi32(-2);
        const __m128i one = _mm_set1_epi32(1);
        const __m128i minusOne = _mm_set1_epi32(-1);
        for (int j = 0; j < m; j += 8) {
            __m128i a = load4(row, j);
            __m128i b = j + 4 < m ? load4(row, j + 4) : _mm_setzero_si128();
            __m128i w = _mm_packs_epi32(_mm_cmpeq_epi32(a, two), _mm_cmpeq_epi32(b, two));
            __m128i k = _mm_packs_epi32(_mm_cmpeq_epi32(a, minusTwo), _mm_cmpeq_epi32(b, minusTwo));
            auto bits = static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(w, k)));
            white |= (bits & 0xFFu) << j;
            black |= (bits >> 8) << j;
            townWhite = _mm_add_epi32(townWhite, _mm_cmpeq_epi32(a, one));
            townWhite = _mm_add_epi32(townWhite, _mm_cmpeq_epi32(b, one));
            townBlack = _mm_add_epi32(townBlack, _mm_cmpeq_epi32(a, minusOne));
            townBlack = _mm_add_epi32(townBlack, _mm_cmpeq_epi32(b, minusOne));
        }
    }

    static int count(__m128i lanes) {
        alignas(16) int v[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(v), lanes);
        return -(v[0] + v[1] + v[2] + v[3]);
    }
    int townHallsWhite() const {
        return count(townWhite);
    }
    int townHallsBlack() const {
        return count(townBlack);
    }
#else
    int tw = 0;
    int tb = 0;
    void scan(const int* row) {
        for (int j = 0; j < m; ++j) {
            white |= static_cast<unsigned>(row[j] == 2) << j;
            black |= static_cast<unsigned>(row[j] == -2) << j;
            tw += row[j] == 1;
            tb += row[j] == -1;
        }
    }
    int townHallsWhite() const {
        return tw;
    }
    int townHallsBlack() const {
        return tb;
    }
#endif
};

// Stride is m + 2 when known at compile time (the shifts of a 128-bit set by
// a constant are a few instructions, by a variable many), 0 for any width.
template <int Stride>
int utilityByBits(int** grid) {
    const BitLayout& L = bitLayout();
    const int stride = Stride > 0 ? Stride : L.stride;
    RowScan scan;
    Bits W = 0;
    Bits B = 0;
    for (int i = 0; i < n; ++i) {
        scan.white = 0;
        scan.black = 0;
        scan.scan(grid[i]);
        W |= static_cast<Bits>(scan.white) << (i * stride);
        B |= static_cast<Bits>(scan.black) << (i * stride);
    }
    int S = 0;
    // Material: each cell adds W halved minus B halved, counting the soldiers
    // scanned so far. W halved goes up by one at every second white soldier
    // and stays up for the rest of the scan, so each such soldier adds the
    // number of cells from it to the end (likewise, subtracted, for black).
    const int cells = n * m;
    int count = 0;
    forEachBit(W, [&](int b) {
        S += L.white[b];
        if (++count % 2 == 0) {
            S += cells - L.scanIndex[b];
        }
    });
    count = 0;
    forEachBit(B, [&](int b) {
        S += L.black[b];
        if (++count % 2 == 0) {
            S -= cells - L.scanIndex[b];
        }
    });
    // Lines of three: white advances to higher rows (bit + stride), black to
    // lower ones; the weights are the same for both colours.
    const int up = stride;
    S += sumOver((W & (W << 1) & (W << 2)) | (B & (B << 1) & (B << 2)), L.leftRow);
    S += sumOver((W & (W >> 1) & (W >> 2)) | (B & (B >> 1) & (B >> 2)), L.rightRow);
    S += sumOver((W & (W >> up) & (W >> 2 * up)) | (B & (B << up) & (B << 2 * up)), L.column);
    S += sumOver(
        (W & (W >> (up - 1)) & (W >> 2 * (up - 1))) | (B & (B << (up + 1)) & (B << 2 * (up + 1))),
        L.leftDiag);
    S += sumOver(
        (W & (W >> (up + 1)) & (W >> 2 * (up + 1))) | (B & (B << (up - 1)) & (B << 2 * (up - 1))),
        L.rightDiag);
    return finalScore(S, scan.townHallsWhite(), scan.townHallsBlack());
}

#if defined(__SSE2__)
// Boards of 8 columns and at most 8 rows, the size the game is mostly played
// on, fit one 64-bit set with cell (i, j) at bit i * 8 + j, which is also the
// cell's position in the scan. Shifts that would carry a line from the end of
// one row into the start of the next are cut off by column masks instead of
// guard columns, so every set operation is a single machine word.
struct EightLayout : CellWeights<64> {
    int rows = -1;
};

EightLayout eightLayout;

// Per-soldier weights of one colour's soldiers plus their running material
// term: every second soldier in scan order raises its halved count by one
// for itself and every later cell, so the soldiers are taken in pairs and
// the second of each pair adds (sign times) the cells left.
inline int soldierTerms(std::uint64_t soldiers, const int* weight, int cells, int sign) {
    int sum = 0;
    for (std::uint64_t x = soldiers; x != 0;) {
        sum += weight[__builtin_ctzll(x)];
        x &= x - 1;
        if (x == 0) {
            break;
        }
        const int b = __builtin_ctzll(x);
        sum += weight[b] + sign * (cells - b);
        x &= x - 1;
    }
    return sum;
}

void makeEightLayout() {
    eightLayout.rows = n;
    for (int b = 0; b < 64; ++b) {
        eightLayout.set(b, b / 8, b % 8);
    }
}

int sumOver64(std::uint64_t x, const int* weight) {
    int sum = 0;
    for (; x != 0; x &= x - 1) {
        sum += weight[__builtin_ctzll(x)];
    }
    return sum;
}

// Eight cells of one row narrowed to 16-bit lanes. Codes outside the int16
// range saturate to values that are no cell code, so they still count as empty.
__m128i eightCells(const int* row) {
    return _mm_packs_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row)),
                           _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 4)));
}

int utilityEight(int** grid) {
    if (eightLayout.rows != n) {
        makeEightLayout();
    }
    const EightLayout& L = eightLayout;
    const __m128i zero = _mm_setzero_si128();
    const __m128i two = _mm_set1_epi8(2);
    const __m128i minusTwo = _mm_set1_epi8(-2);
    const __m128i one = _mm_set1_epi8(1);
    const __m128i minusOne = _mm_set1_epi8(-1);
    std::uint64_t W = 0;
    std::uint64_t B = 0;
    __m128i hallsWhite = zero;  // bytes count the halls seen in their lane
    __m128i hallsBlack = zero;
    // Two rows at a time: sixteen cells narrowed to one byte each (again
    // saturating, so only true codes compare equal), then one compare and one
    // mask per code.
    for (int i = 0; i < n; i += 2) {
        __m128i low = eightCells(grid[i]);
        __m128i high = i + 1 < n ? eightCells(grid[i + 1]) : zero;
        __m128i v = _mm_packs_epi16(low, high);
        W |= static_cast<std::uint64_t>(
                 static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, two))))
             << (8 * i);
        B |= static_cast<std::uint64_t>(
                 static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, minusTwo))))
             << (8 * i);
        hallsWhite = _mm_sub_epi8(hallsWhite, _mm_cmpeq_epi8(v, one));
        hallsBlack = _mm_sub_epi8(hallsBlack, _mm_cmpeq_epi8(v, minusOne));
    }
    __m128i tw = _mm_sad_epu8(hallsWhite, zero);
    __m128i tb = _mm_sad_epu8(hallsBlack, zero);
    const int TW = _mm_cvtsi128_si32(tw) + _mm_cvtsi128_si32(_mm_srli_si128(tw, 8));
    const int TB = _mm_cvtsi128_si32(tb) + _mm_cvtsi128_si32(_mm_srli_si128(tb, 8));

    // Advance, own square and the running material term; black's counts
    // against white's.
    const int cells = n * 8;
    int S = soldierTerms(W, L.white, cells, 1) + soldierTerms(B, L.black, cells, -1);
    // Lines of three; a line reaching left needs two columns to its left, one
    // reaching right two to its right, which also drops the bits a shift
    // carried over from a neighbouring row. White looks to higher rows, black
    // to lower ones.
    constexpr std::uint64_t fromColumn2 = 0xFCFCFCFCFCFCFCFCull;
    constexpr std::uint64_t toColumn5 = 0x3F3F3F3F3F3F3F3Full;
    S +=
        sumOver64(((W & (W << 1) & (W << 2)) | (B & (B << 1) & (B << 2))) & fromColumn2, L.leftRow);
    S += sumOver64(((W & (W >> 1) & (W >> 2)) | (B & (B >> 1) & (B >> 2))) & toColumn5, L.rightRow);
    S += sumOver64((W & (W >> 8) & (W >> 16)) | (B & (B << 8) & (B << 16)), L.column);
    S += sumOver64(((W & (W >> 7) & (W >> 14)) | (B & (B << 9) & (B << 18))) & fromColumn2,
                   L.leftDiag);
    S += sumOver64(((W & (W >> 9) & (W >> 18)) | (B & (B << 7) & (B << 14))) & toColumn5,
                   L.rightDiag);
    return finalScore(S, TW, TB);
}
#endif

}  // namespace

int utility(int** grid, int /*depth*/) {
#if defined(__SSE2__)
    if (m == 8 && n <= 8) {
        return utilityEight(grid);
    }
#endif
    if (!fitsBits()) {
        return utilityByScan(grid);
    }
    // The two board widths the game is played on get their own copies.
    switch (m) {
        case 8:
            return utilityByBits<10>(grid);
        case 10:
            return utilityByBits<12>(grid);
        default:
            return utilityByBits<0>(grid);
    }
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
