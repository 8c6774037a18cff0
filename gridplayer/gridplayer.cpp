#include "gridplayer/gridplayer.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
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

// A node holds its board in one of two ways. A node made by createNode, and a
// child made by a generator outside a search, owns a copy of the whole board.
// Inside a search (DFS, getMove) a child holds only its move: its grid is the
// search board's, on which DFS makes the move when it enters the child and
// takes it back before it leaves, so the child's grid shows its position for
// as long as the child is being searched, which is the only time the search
// reads it. A search makes millions of children and enters only some of them
// (the others are cut off), so a child costs a few stores, not a board copy.

constexpr int kMaxSide = 10;
constexpr int kMaxCells = kMaxSide * kMaxSide;

// Owned boards come from this pool. A released node keeps its record, its
// board storage and its children's capacity for the next one. A node's board
// is one block of cells with rows m cells apart, so copying a board is one
// memcpy; row pointers are laid out for the largest board the move notation
// can address (single-digit coordinates), whatever n is.
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

// Nodes that hold only their move, made and released in a search. A search
// releases them in the reverse order it made them, a whole children list at a
// time (DFS releases a node's children once their own children are gone), so
// they live on a stack: making one takes the next record, releasing a list
// drops as many records from the top. A record released on its own (getMove's
// chosen child, after its siblings) is counted as released and comes back
// when the search ends. Records keep their children's capacity.
class MoveStack {
  public:
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

    std::vector<std::unique_ptr<node[]>> chunks_;
    std::size_t chunk_ = 0;  // the chunk next_ points into
    node* begin_ = nullptr;
    node* next_ = nullptr;
    node* end_ = nullptr;
};

NodePool pool;
MoveStack moveStack;

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

__attribute__((always_inline)) inline void copyCells(int** to, int** from, bool fromContiguous) {
    if (fromContiguous) {
        std::memcpy(to[0], from[0], sizeof(int) * static_cast<std::size_t>(n * m));
    } else {
        for (int i = 0; i < n; ++i) {
            std::memcpy(to[i], from[i], sizeof(int) * static_cast<std::size_t>(m));
        }
    }
}

// ---- What the score and the generators read ----------------------------------------------

// The score works on bit sets: square (row i, column j) is bit i * m + j,
// which is also its place in the row-by-row scan, so "the cells from this one
// to the end of the scan" is a subtraction and a line of three is two shifts
// and two ANDs over the whole board. Everything that depends on the square
// alone sits in per-square tables made once per board size.
__extension__ typedef unsigned __int128 Bits;

struct SquareTables {
    int rows = -1;
    int cols = -1;
    // Twice the advance and own-square terms of a soldier on the square, plus
    // (white) or minus (black) the cells from it to the end of the scan: the
    // running material term counts, at every cell, half the soldiers of each
    // colour scanned so far rounded down, which is half the sum of these
    // distances less the cells where the count so far is odd.
    int white[kMaxCells];
    int black[kMaxCells];
    // Line of three seen from the soldier on the square, by the way it runs.
    int leftRow[kMaxCells], leftDiag[kMaxCells], column[kMaxCells];
    int rightRow[kMaxCells], rightDiag[kMaxCells];
    // Row and column of each square, for walking a set of squares.
    std::int8_t rowOf[kMaxCells];
    std::int8_t colOf[kMaxCells];
    // Squares with two columns to their left, and with two to their right:
    // a line reaching sideways must stay in its row, not wrap into the next.
    Bits fromColumn2 = 0;
    Bits toColumnEnd = 0;
    // The same for one column, for squares beside a soldier.
    Bits fromColumn1 = 0;
    Bits toColumnLast = 0;
    Bits onBoard = 0;
    // Squares two rows from the colour's back edge, where a retreat can land.
    Bits whiteCanRetreat = 0;
    Bits blackCanRetreat = 0;
};

// Both colours take the line weights from the row index as it stands; only
// black's advance is counted from the last row. Lines from columns 0..3
// running right and from 4.. running left point to the middle of an
// 8-column board and are rewarded; the others cost the row index.
void fill(SquareTables& t) {
    const int cells = n * m;
    t.fromColumn2 = 0;
    t.toColumnEnd = 0;
    t.fromColumn1 = 0;
    t.toColumnLast = 0;
    t.onBoard = 0;
    t.whiteCanRetreat = 0;
    t.blackCanRetreat = 0;
    for (int i = 0; i < n; ++i) {
        const int ownSquare = (i + 2) / 2 + (i <= 2 ? 1 - i : 0);
        const int blackRank = n - 1 - i;
        const int rowPlus = i <= 2 ? 3 : i + 2;
        const int diagPlus = i + 2;
        for (int j = 0; j < m; ++j) {
            const int b = i * m + j;
            t.white[b] = 2 * ((i * i + 1) / 2 + ownSquare) + (cells - b);
            t.black[b] = 2 * (-((blackRank * blackRank + 1) / 2) + ownSquare) - (cells - b);
            t.leftRow[b] = j >= 4 ? rowPlus : -i;
            t.leftDiag[b] = j >= 4 ? diagPlus : -i;
            t.column[b] = (i + 2) / 2;
            t.rightRow[b] = j <= 3 ? rowPlus : -i;
            t.rightDiag[b] = j <= 3 ? diagPlus : -i;
            t.rowOf[b] = static_cast<std::int8_t>(i);
            t.colOf[b] = static_cast<std::int8_t>(j);
            if (j >= 2) {
                t.fromColumn2 |= Bits{1} << b;
            }
            if (j + 2 < m) {
                t.toColumnEnd |= Bits{1} << b;
            }
            if (j >= 1) {
                t.fromColumn1 |= Bits{1} << b;
            }
            if (j + 1 < m) {
                t.toColumnLast |= Bits{1} << b;
            }
            t.onBoard |= Bits{1} << b;
            if (i >= 2) {
                t.whiteCanRetreat |= Bits{1} << b;
            }
            if (i + 2 < n) {
                t.blackCanRetreat |= Bits{1} << b;
            }
        }
    }
    t.rows = n;
    t.cols = m;
}

SquareTables tables;

const SquareTables& squareTables() {
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

int sumOver(std::uint64_t x, const int* weight) {
    int sum = 0;
    for (; x != 0; x &= x - 1) {
        sum += weight[__builtin_ctzll(x)];
    }
    return sum;
}

int sumOver(Bits x, const int* weight) {
    return sumOver(static_cast<std::uint64_t>(x), weight) +
           sumOver(static_cast<std::uint64_t>(x >> 64), weight + 64);
}

// Cells of the board where the number of white soldiers scanned so far (the
// cell itself included) is odd, less the same count for black. Bit k of a
// prefix parity is the parity of bits 0..k; its set bits on the board are
// counted without relying on a population-count instruction the target may
// lack.
#if defined(__SSE2__)
// Both colours at once, one in each 64-bit lane.
__m128i lanePrefixParity(__m128i x) {
    x = _mm_xor_si128(x, _mm_slli_epi64(x, 1));
    x = _mm_xor_si128(x, _mm_slli_epi64(x, 2));
    x = _mm_xor_si128(x, _mm_slli_epi64(x, 4));
    x = _mm_xor_si128(x, _mm_slli_epi64(x, 8));
    x = _mm_xor_si128(x, _mm_slli_epi64(x, 16));
    return _mm_xor_si128(x, _mm_slli_epi64(x, 32));
}

// Set bits of each 64-bit lane, in that lane.
__m128i laneOnes(__m128i x) {
    const __m128i m1 = _mm_set1_epi8(0x55);
    const __m128i m2 = _mm_set1_epi8(0x33);
    const __m128i m4 = _mm_set1_epi8(0x0f);
    x = _mm_sub_epi64(x, _mm_and_si128(_mm_srli_epi64(x, 1), m1));
    x = _mm_add_epi64(_mm_and_si128(x, m2), _mm_and_si128(_mm_srli_epi64(x, 2), m2));
    x = _mm_and_si128(_mm_add_epi64(x, _mm_srli_epi64(x, 4)), m4);
    return _mm_sad_epu8(x, _mm_setzero_si128());
}

__m128i lanes(std::uint64_t low, std::uint64_t high) {
    return _mm_set_epi64x(static_cast<long long>(high), static_cast<long long>(low));
}

int oddDifference(std::uint64_t white, std::uint64_t black, std::uint64_t onBoard) {
    const __m128i odd =
        laneOnes(_mm_and_si128(lanePrefixParity(lanes(white, black)), lanes(onBoard, onBoard)));
    return _mm_cvtsi128_si32(odd) - _mm_cvtsi128_si32(_mm_srli_si128(odd, 8));
}

// A 128-bit set in two lanes; the high lane goes on from the parity of the
// whole low lane.
__m128i wideOdd(Bits x, __m128i onBoard) {
    __m128i p =
        lanePrefixParity(lanes(static_cast<std::uint64_t>(x), static_cast<std::uint64_t>(x >> 64)));
    const __m128i lowParity =
        _mm_shuffle_epi32(_mm_srai_epi32(p, 31), _MM_SHUFFLE(1, 1, 1, 1));  // bit 63 everywhere
    p = _mm_xor_si128(p, _mm_and_si128(lowParity, lanes(0, ~std::uint64_t{0})));
    return laneOnes(_mm_and_si128(p, onBoard));
}

int oddDifference(Bits white, Bits black, Bits onBoard) {
    const __m128i board =
        lanes(static_cast<std::uint64_t>(onBoard), static_cast<std::uint64_t>(onBoard >> 64));
    const __m128i d = _mm_sub_epi64(wideOdd(white, board), wideOdd(black, board));
    return _mm_cvtsi128_si32(d) + _mm_cvtsi128_si32(_mm_srli_si128(d, 8));
}
#else
int ones(std::uint64_t x) {
    x -= (x >> 1) & 0x5555555555555555ull;
    x = (x & 0x3333333333333333ull) + ((x >> 2) & 0x3333333333333333ull);
    x = (x + (x >> 4)) & 0x0f0f0f0f0f0f0f0full;
    return static_cast<int>((x * 0x0101010101010101ull) >> 56);
}

std::uint64_t prefixParity(std::uint64_t x) {
    x ^= x << 1;
    x ^= x << 2;
    x ^= x << 4;
    x ^= x << 8;
    x ^= x << 16;
    x ^= x << 32;
    return x;
}

int oddCells(std::uint64_t soldiers, std::uint64_t onBoard) {
    return ones(prefixParity(soldiers) & onBoard);
}

int oddCells(Bits soldiers, Bits onBoard) {
    const std::uint64_t low = prefixParity(static_cast<std::uint64_t>(soldiers));
    const std::uint64_t high =
        prefixParity(static_cast<std::uint64_t>(soldiers >> 64)) ^ (0 - (low >> 63));
    return ones(low & static_cast<std::uint64_t>(onBoard)) +
           ones(high & static_cast<std::uint64_t>(onBoard >> 64));
}

template <typename Word>
int oddDifference(Word white, Word black, Word onBoard) {
    return oddCells(white, onBoard) - oddCells(black, onBoard);
}
#endif

// Town-hall amounts on top of the board sum S, from player_id's side. The two
// sides' rules differ: white tests its own halls for three and below three,
// black for three and exactly two.
__attribute__((always_inline)) inline int finalScore(int S, int TW, int TB) {
    if (player_id == 2) {
        return S + (TW == 3 ? -500 : TW < 3 ? -1000 : 0) + (TB == 3 ? 500 : TB < 3 ? 20000 : 0);
    }
    return -S + (TW == 3 ? 500 : TW == 2 ? 20000 : 0) + (TB == 3 ? -500 : TB == 2 ? -1000 : 0);
}

// The score of a board given as its soldiers' squares, its town halls and
// `material`, the sum of the soldiers' `white` and `black` table entries.
template <typename Word, int Cols>
int score(const Census<Word>& c, int material, const SquareTables& t) {
    const int up = Cols != 0 ? Cols : m;  // bit distance of one row
    const Word W = c.white;
    const Word B = c.black;
    const auto onBoard = static_cast<Word>(t.onBoard);
    int S = (material - oddDifference(W, B, onBoard)) / 2;
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

template <typename Word, int Cols>
int scanScore(int** grid, const SquareTables& t) {
    const Census<Word> c = census<Word, Cols>(grid);
    return score<Word, Cols>(c, sumOver(c.white, t.white) + sumOver(c.black, t.black), t);
}

// ---- The generators' view of a board ------------------------------------------------------

// The board with a margin of five squares on every side (the farthest square
// a rule reads is a cannon shot five squares out), one byte a square holding
// as bits what the rules ask of it, so that every test of a square is one
// load and one AND, with no bounds check.
constexpr int kMargin = 5;
constexpr int kStride = kMaxSide + 2 * kMargin;
constexpr int kBoxSize = kStride * kStride;

enum : std::uint8_t {
    kWhiteSoldier = 1,
    kWhiteHall = 2,
    kWhiteOther = 4,  // a positive value that is no cell code
    kBlackSoldier = 8,
    kBlackHall = 16,
    kBlackOther = 32,
    kOffBoard = 64,
};
constexpr std::uint8_t kWhitePiece = kWhiteSoldier | kWhiteHall | kWhiteOther;
constexpr std::uint8_t kBlackPiece = kBlackSoldier | kBlackHall | kBlackOther;

// The rules tell owners by sign alone, so any value keeps its owner here.
std::uint8_t flagOf(int v) {
    switch (v) {
        case 0:
            return 0;
        case 2:
            return kWhiteSoldier;
        case 1:
            return kWhiteHall;
        case -2:
            return kBlackSoldier;
        case -1:
            return kBlackHall;
        default:
            return v > 0 ? kWhiteOther : kBlackOther;
    }
}

int boxIndex(int r, int c) {
    return (r + kMargin) * kStride + c + kMargin;
}

struct Mailbox {
    std::uint8_t cell[kBoxSize];

    void load(int** grid) {
        std::memset(cell, kOffBoard, sizeof cell);
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < m; ++j) {
                cell[boxIndex(i, j)] = flagOf(grid[i][j]);
            }
        }
    }
};

// ---- The search board ------------------------------------------------------------------------

// The one board a search makes and takes back its moves on, in three forms
// kept in step: the cells (what a node's grid shows), the mailbox (what the
// generators read) and the bit sets with the material sum (what the score
// reads). Single-threaded, like the rest of the program.
struct SearchBoard {
    node* top = nullptr;  // the node the running search started from, null between searches
    int* rows[kMaxSide] = {};
    int cells[kMaxCells] = {};
    Mailbox box{};
    Census<std::uint64_t> narrow;  // boards of eight columns and at most eight rows
    Census<Bits> wide;             // any other board
    int material = 0;
    int kind = 0;  // which Engine below serves the board's size
};

SearchBoard search;

bool onSearchBoard(const node* p) {
    return search.top != nullptr && (p->grid == search.rows || p == search.top);
}

// A node that holds only its move, inside a search. Its children list is
// empty: a record's list is emptied when its node's search is over.
__attribute__((always_inline)) inline node* moveNode(int fr, int fc, char type, int tr, int tc) {
    node* child = moveStack.push();
    child->fromRow = fr;
    child->fromCol = fc;
    child->toRow = tr;
    child->toCol = tc;
    child->moveType = type;
    child->grid = search.rows;
    child->value = 0;
    ++liveNodeCount;
    return child;
}

// Squares (row * m + column) the three passes of a generator visit, in scan
// order: every own soldier, then those that may retreat, then cannon tails.
// A list may hold more squares than can move; the passes check each.
struct Candidates {
    int square[3 * kMaxCells];
    int soldiers = 0;
    int retreats = 0;
    int cannons = 0;
};

// The board sizes searched in their own code: 8 x 8 (and fewer rows) in one
// 64-bit word with the width known, 10 columns in 128 bits with the width
// known, anything else in 128 bits.
template <typename Word, int Cols>
struct Engine {
    static Census<Word>& sets() {
        if constexpr (sizeof(Word) == 8) {
            return search.narrow;
        } else {
            return search.wide;
        }
    }

    static int bitOf(int r, int c) { return r * (Cols != 0 ? Cols : m) + c; }

    static void load(int** grid) {
        sets() = census<Word, Cols>(grid);
        search.material = sumOver(sets().white, tables.white) + sumOver(sets().black, tables.black);
    }

    static int score() { return ::score<Word, Cols>(sets(), search.material, tables); }

    // What making a move changes and taking it back restores.
    struct Undo {
        Census<Word> sets;
        int material;
        int captured;
        std::uint8_t capturedFlag;
    };

    static void make(const node* p, Undo& u) {
        Census<Word>& s = sets();
        u.sets = s;
        u.material = search.material;
        const int to = bitOf(p->toRow, p->toCol);
        const int toBox = boxIndex(p->toRow, p->toCol);
        const Word toBit = Word{1} << to;
        u.captured = search.cells[to];
        u.capturedFlag = search.box.cell[toBox];
        // Whatever stood on the target leaves the board.
        switch (u.capturedFlag) {
            case kWhiteSoldier:
                s.white ^= toBit;
                search.material -= tables.white[to];
                break;
            case kBlackSoldier:
                s.black ^= toBit;
                search.material -= tables.black[to];
                break;
            case kWhiteHall:
                --s.hallsWhite;
                break;
            case kBlackHall:
                --s.hallsBlack;
                break;
            default:
                break;
        }
        if (p->moveType == 'M') {
            const int from = bitOf(p->fromRow, p->fromCol);
            const int fromBox = boxIndex(p->fromRow, p->fromCol);
            const std::uint8_t mover = search.box.cell[fromBox];
            const Word both = (Word{1} << from) | toBit;
            if (mover == kWhiteSoldier) {
                s.white ^= both;
                search.material += tables.white[to] - tables.white[from];
            } else {
                s.black ^= both;
                search.material += tables.black[to] - tables.black[from];
            }
            search.box.cell[toBox] = mover;
            search.box.cell[fromBox] = 0;
            search.cells[to] = search.cells[from];
            search.cells[from] = 0;
        } else {
            search.box.cell[toBox] = 0;
            search.cells[to] = 0;
        }
    }

    static void unmake(const node* p, const Undo& u) {
        sets() = u.sets;
        search.material = u.material;
        const int to = bitOf(p->toRow, p->toCol);
        const int toBox = boxIndex(p->toRow, p->toCol);
        if (p->moveType == 'M') {
            const int from = bitOf(p->fromRow, p->fromCol);
            const int fromBox = boxIndex(p->fromRow, p->fromCol);
            search.box.cell[fromBox] = search.box.cell[toBox];
            search.cells[from] = search.cells[to];
        }
        search.box.cell[toBox] = u.capturedFlag;
        search.cells[to] = u.captured;
    }

    static int listOf(Word x, int* squares) {
        int count = 0;
        for (; x != 0; x &= x - 1) {
            squares[count++] = lowestBit(x);
        }
        return count;
    }

    // The own soldiers, and among them those that may retreat (an enemy
    // soldier beside or ahead, room two rows back) and the tails of cannons,
    // each in scan order.
    template <typename S>
    static Candidates candidates() {
        const int up = Cols != 0 ? Cols : m;
        const Word own = S::sign > 0 ? sets().white : sets().black;
        const Word E = S::sign > 0 ? sets().black : sets().white;
        const auto fromColumn1 = static_cast<Word>(tables.fromColumn1);
        const auto toColumnLast = static_cast<Word>(tables.toColumnLast);
        const auto fromColumn2 = static_cast<Word>(tables.fromColumn2);
        const auto toColumnEnd = static_cast<Word>(tables.toColumnEnd);
        const Word beside = ((E << 1) & fromColumn1) | ((E >> 1) & toColumnLast);
        Word threat;
        Word tails;
        if constexpr (S::sign > 0) {
            threat = beside | ((E >> (up - 1)) & fromColumn1) | (E >> up) |
                     ((E >> (up + 1)) & toColumnLast);
            threat &= static_cast<Word>(tables.whiteCanRetreat);
            tails = (own & (own >> (up - 1)) & (own >> 2 * (up - 1)) & fromColumn2) |
                    (own & (own >> up) & (own >> 2 * up)) |
                    (own & (own >> 1) & (own >> 2) & toColumnEnd) |
                    (own & (own >> (up + 1)) & (own >> 2 * (up + 1)) & toColumnEnd);
        } else {
            threat = beside | ((E << (up + 1)) & fromColumn1) | (E << up) |
                     ((E << (up - 1)) & toColumnLast);
            threat &= static_cast<Word>(tables.blackCanRetreat);
            tails = (own & (own << (up + 1)) & (own << 2 * (up + 1)) & fromColumn2) |
                    (own & (own << up) & (own << 2 * up)) |
                    (own & (own << (up - 1)) & (own << 2 * (up - 1)) & toColumnEnd) |
                    (own & (own >> 1) & (own >> 2) & toColumnEnd);
        }
        Candidates c;
        c.soldiers = listOf(own, c.square);
        c.retreats = listOf(own & threat, c.square + c.soldiers);
        c.cannons = listOf(tails, c.square + c.soldiers + c.retreats);
        return c;
    }
};

using Engine8 = Engine<std::uint64_t, 8>;
using Engine10 = Engine<Bits, 10>;
using EngineAny = Engine<Bits, 0>;

int engineKind() {
    if (m == 8 && n <= 8) {
        return 8;
    }
    return m == 10 ? 10 : 0;
}

// Puts p's board on the search board for the time of one search.
class SearchScope {
  public:
    explicit SearchScope(node* p) {
        if (search.top != nullptr) {
            std::cerr << "gridplayer: a search cannot start inside another\n";
            std::abort();
        }
        if (n > kMaxSide || m > kMaxSide) {
            std::cerr << "gridplayer: boards larger than " << kMaxSide << " x " << kMaxSide
                      << " cannot be searched\n";
            std::abort();
        }
        squareTables();
        for (int i = 0; i < n; ++i) {
            search.rows[i] = search.cells + static_cast<std::ptrdiff_t>(i) * m;
            std::memcpy(search.rows[i], p->grid[i], sizeof(int) * static_cast<std::size_t>(m));
        }
        search.box.load(p->grid);
        search.kind = engineKind();
        switch (search.kind) {
            case 8:
                Engine8::load(search.rows);
                break;
            case 10:
                Engine10::load(search.rows);
                break;
            default:
                EngineAny::load(search.rows);
                break;
        }
        search.top = p;
    }
    ~SearchScope() {
        search.top = nullptr;
        moveStack.clear();
    }
    SearchScope(const SearchScope&) = delete;
    SearchScope& operator=(const SearchScope&) = delete;
};

}  // namespace

// ---- Board and nodes ------------------------------------------------------------

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

// Everything in which the two colours' rules differ, as compile-time
// constants: both generators share one body so the order of the passes cannot
// drift apart between the colours, and each is compiled for its colour.
template <int Sign>
struct Side {
    static constexpr int sign = Sign;     // +1 white, -1 black
    static constexpr int ahead = Sign;    // row step towards the opponent
    static constexpr int own = 2 * Sign;  // own soldier
    static constexpr std::uint8_t ownSoldier = Sign > 0 ? kWhiteSoldier : kBlackSoldier;
    static constexpr std::uint8_t enemySoldier = Sign > 0 ? kBlackSoldier : kWhiteSoldier;
    static constexpr std::uint8_t enemy = Sign > 0 ? kBlackPiece : kWhitePiece;
    // A square a soldier may move to or a cannon may fire at: on the board and
    // empty or enemy.
    static constexpr std::uint8_t notFree = (Sign > 0 ? kWhitePiece : kBlackPiece) | kOffBoard;
    // Cannon directions (column step, row step) in the order they are tried.
    static constexpr int cannonDc[4] = {-1, 0, +1, +1};
    static constexpr int cannonDr[4] = {Sign > 0 ? +1 : -1, Sign > 0 ? +1 : -1, Sign > 0 ? 0 : -1,
                                        Sign > 0 ? +1 : 0};
};

// One pass order for both ways of making a child. Add is called as
// add(fromRow, fromCol, type, toRow, toCol) once per move, in order.
template <typename S, typename Add>
class Generator {
  public:
    Generator(const std::uint8_t* box, Add& add) : box_(box), add_(add) {}

    void run(const Candidates& c) {
        const int* square = c.square;
        for (int k = 0; k < c.soldiers; ++k, ++square) {
            steps(tables.rowOf[*square], tables.colOf[*square]);
        }
        for (int k = 0; k < c.retreats; ++k, ++square) {
            retreats(tables.rowOf[*square], tables.colOf[*square]);
        }
        for (int k = 0; k < c.cannons; ++k, ++square) {
            cannons(tables.rowOf[*square], tables.colOf[*square]);
        }
    }

  private:
    std::uint8_t at(int r, int c) const { return box_[boxIndex(r, c)]; }
    bool freeCell(int r, int c) const { return (at(r, c) & S::notFree) == 0; }
    // Enemy soldier or town hall: only these can be taken sideways.
    bool enemy(int r, int c) const { return (at(r, c) & S::enemy) != 0; }
    bool enemySoldier(int r, int c) const { return (at(r, c) & S::enemySoldier) != 0; }
    bool ownSoldier(int r, int c) const { return (at(r, c) & S::ownSoldier) != 0; }
    bool empty(int r, int c) const { return at(r, c) == 0; }

    void steps(int r, int c) {
        int a = r + S::ahead;
        if (freeCell(a, c - 1))
            add_(r, c, 'M', a, c - 1);
        if (enemy(r, c - 1))
            add_(r, c, 'M', r, c - 1);
        if (freeCell(a, c))
            add_(r, c, 'M', a, c);
        if (freeCell(a, c + 1))
            add_(r, c, 'M', a, c + 1);
        if (enemy(r, c + 1))
            add_(r, c, 'M', r, c + 1);
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
            add_(r, c, 'M', back, c);
        if (freeCell(back, c + 2))
            add_(r, c, 'M', back, c + 2);
        if (freeCell(back, c - 2))
            add_(r, c, 'M', back, c - 2);
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
                add_(r, c, 'M', r + 3 * dr, c + 3 * dc);
                if (freeCell(r + 4 * dr, c + 4 * dc)) {
                    add_(headR, headC, 'B', r + 4 * dr, c + 4 * dc);
                }
                if (empty(r + 4 * dr, c + 4 * dc) && freeCell(r + 5 * dr, c + 5 * dc)) {
                    add_(headR, headC, 'B', r + 5 * dr, c + 5 * dc);
                }
            }
            // Rear, the mirror image from the tail's side.
            if (empty(r - dr, c - dc)) {
                add_(headR, headC, 'M', r - dr, c - dc);
                if (freeCell(r - 2 * dr, c - 2 * dc)) {
                    add_(r, c, 'B', r - 2 * dr, c - 2 * dc);
                }
                if (empty(r - 2 * dr, c - 2 * dc) && freeCell(r - 3 * dr, c - 3 * dc)) {
                    add_(r, c, 'B', r - 3 * dr, c - 3 * dc);
                }
            }
        }
    }

    const std::uint8_t* box_;
    Add& add_;
};

// Inside a search: children hold their move only.
template <typename S, typename E>
void generateOnSearchBoard(node* p) {
    auto add = [p](int fr, int fc, char type, int tr, int tc) __attribute__((always_inline)) {
        p->children.push_back(moveNode(fr, fc, type, tr, tc));
    };
    Generator<S, decltype(add)>(search.box.cell, add).run(E::template candidates<S>());
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
        child->fromRow = fr;
        child->fromCol = fc;
        child->toRow = tr;
        child->toCol = tc;
        child->moveType = type;
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
    switch (search.kind) {
        case 8:
            generateOnSearchBoard<S, Engine8>(p);
            break;
        case 10:
            generateOnSearchBoard<S, Engine10>(p);
            break;
        default:
            generateOnSearchBoard<S, EngineAny>(p);
            break;
    }
}

}  // namespace

void getValidWhiteMoves(node* p) {
    generate<Side<+1>>(p);
}

void getValidBlackMoves(node* p) {
    generate<Side<-1>>(p);
}

// ---- Utility ------------------------------------------------------------------------

namespace {

__attribute__((noinline)) int scanUtility(int** grid) {
    const SquareTables& t = squareTables();
    if (m == 8 && n <= 8) {
        return scanScore<std::uint64_t, 8>(grid, t);
    }
    if (m == 10) {
        return scanScore<Bits, 10>(grid, t);
    }
    return scanScore<Bits, 0>(grid, t);
}

}  // namespace

int utility(int** grid, int /*depth*/) {
    // The search board's score is kept up to date move by move: its bit sets
    // and material sum change with every move made and taken back.
    if (grid == search.rows && search.top != nullptr) {
        switch (search.kind) {
            case 8:
                return Engine8::score();
            case 10:
                return Engine10::score();
            default:
                return EngineAny::score();
        }
    }
    return scanUtility(grid);
}

// ---- Search ------------------------------------------------------------------------------

void (*dfsNodeHook)(const node* p, int depth) = nullptr;

namespace {

template <typename E>
std::pair<int, node*> searchNode(node* p, int depth, int alpha, int beta) {
    // Any node but the one the search started from holds only its move.
    const bool ownMove = p != search.top;
    typename E::Undo undo;
    if (ownMove) {
        E::make(p, undo);
    }
    ++dfsCallCount;
    p->value = utility(p->grid, depth);
    if (dfsNodeHook != nullptr) {
        dfsNodeHook(p, depth);
    }
    std::pair<int, node*> result{p->value, nullptr};
    if (depth != MAX_DEPTH) {
        if ((player_id + depth) % 2 != 0) {
            getValidBlackMoves(p);
        } else {
            getValidWhiteMoves(p);
        }
        if (!p->children.empty()) {
            node* best = p->children[0];
            int cur = DFS(best, depth + 1, alpha, beta).first;
            // Later children get the current best itself as their bound, not
            // the tighter of it and the node's own window.
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
            result = {cur, best};
        }
    }
    if (ownMove) {
        // The record goes back to the stack with its parent's list; it comes
        // out again with no children.
        p->children.clear();
        E::unmake(p, undo);
    }
    return result;
}

}  // namespace

std::pair<int, node*> DFS(node* p, int depth, int alpha, int beta) {
    if (!onSearchBoard(p)) {
        // A node that owns its board: the search starts from it.
        SearchScope scope(p);
        return DFS(p, depth, alpha, beta);
    }
    switch (search.kind) {
        case 8:
            return searchNode<Engine8>(p, depth, alpha, beta);
        case 10:
            return searchNode<Engine10>(p, depth, alpha, beta);
        default:
            return searchNode<EngineAny>(p, depth, alpha, beta);
    }
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
