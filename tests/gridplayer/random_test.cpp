// Invariants over thousands of seeded random positions: generators leave the
// parent alone and each child is the parent with exactly its move made; the
// alpha-beta search picks what a plain minimax without cut-offs picks.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>

#include "support.h"

namespace {

using namespace gp_test;

// A position reached by random legal play from the start, black first.
Grid randomPlay(std::mt19937& rng, int plies) {
    Grid g = startGrid();
    bool black = true;
    for (int k = 0; k < plies; ++k) {
        Expanded e(g, black);
        if (e.children().empty()) {
            break;
        }
        std::uniform_int_distribution<std::size_t> pick(0, e.children().size() - 1);
        Grid next(e.children()[pick(rng)]->grid);
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < m; ++j) {
                g.at(i, j) = next.at(i, j);
            }
        }
        black = !black;
    }
    return g;
}

// A scattered position: any piece may stand anywhere, edges included.
Grid randomFill(std::mt19937& rng, int density) {
    Grid g;
    std::uniform_int_distribution<int> roll(0, 99);
    const int codes[] = {2, -2, 1, -1};
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < m; ++j) {
            int r = roll(rng);
            if (r < density) {
                g.at(i, j) = codes[r % 4];
            }
        }
    }
    return g;
}

Grid randomPosition(std::mt19937& rng) {
    std::uniform_int_distribution<int> kind(0, 2);
    std::uniform_int_distribution<int> plies(0, 40);
    std::uniform_int_distribution<int> density(10, 60);
    return kind(rng) == 0 ? randomFill(rng, density(rng)) : randomPlay(rng, plies(rng));
}

void checkGenerators(Grid& g, bool black) {
    Grid before(g);
    const int own = black ? -2 : 2;
    Expanded e(g, black);
    Grid after(e.root()->grid);
    ASSERT_TRUE(after == before) << "generator changed its parent";
    std::vector<std::string> seen;
    for (const node* c : e.children()) {
        std::string text = moveText(c);
        ASSERT_TRUE(c->fromRow >= 0 && c->fromRow < n && c->toRow >= 0 && c->toRow < n &&
                    c->fromCol >= 0 && c->fromCol < m && c->toCol >= 0 && c->toCol < m)
            << text;
        EXPECT_EQ(before.at(c->fromRow, c->fromCol), own) << text;
        // A move or shot never lands on an own piece.
        EXPECT_LT(before.at(c->toRow, c->toCol) * (black ? -1 : 1), 1) << text;
        Grid expected(before);
        if (c->moveType == 'M') {
            expected.at(c->fromRow, c->fromCol) = 0;
            expected.at(c->toRow, c->toCol) = own;
        } else {
            ASSERT_EQ(c->moveType, 'B') << text;
            expected.at(c->toRow, c->toCol) = 0;
        }
        EXPECT_TRUE(Grid(c->grid) == expected) << text;
        seen.push_back(text);
    }
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(std::adjacent_find(seen.begin(), seen.end()), seen.end()) << "move listed twice";
}

TEST(RandomPositions, GeneratorsOnlyMakeTheirMove) {
    std::mt19937 rng(20240607);
    for (int size : {8, 10}) {
        useBoard(size, size, 1);
        std::int64_t live = liveNodeCount;
        for (int k = 0; k < 1500; ++k) {
            Grid g = randomPosition(rng);
            checkGenerators(g, true);
            checkGenerators(g, false);
            if (HasFatalFailure() || HasNonfatalFailure()) {
                FAIL() << "position " << k << " on " << size << "x" << size;
            }
        }
        EXPECT_EQ(liveNodeCount, live);
    }
}

// Plain minimax over the whole tree, no window: a position where the side to
// move has no move counts with its own utility.
int minimax(int** grid, int depth) {
    if (depth == MAX_DEPTH) {
        return utility(grid, depth);
    }
    Grid g(grid);
    Expanded e(g, (player_id + depth) % 2 != 0);
    if (e.children().empty()) {
        return utility(grid, depth);
    }
    bool maximise = depth % 2 == 0;
    int best = maximise ? INT_MIN : INT_MAX;
    for (node* c : e.children()) {
        int v = minimax(c->grid, depth + 1);
        best = maximise ? std::max(best, v) : std::min(best, v);
    }
    return best;
}

// One node as a search visits it: its depth, its score and its board.
struct Visit {
    int depth;
    int value;
    std::vector<int> cells;
    bool operator==(const Visit&) const = default;
};

std::vector<int> cellsOf(int** grid) {
    std::vector<int> out;
    for (int i = 0; i < n; ++i) {
        out.insert(out.end(), grid[i], grid[i] + m);
    }
    return out;
}

std::vector<Visit>* trace = nullptr;  // where windowed and recordVisit write

void recordVisit(const node* p, int depth) {
    trace->push_back({depth, p->value, cellsOf(p->grid)});
}

// Calls the search makes, counted from the rule for windows: only the first
// child inherits the node's window; later children are bounded by the
// current best alone, and a node stops at cur >= beta (max) or cur <= alpha.
int windowed(int** grid, int depth, int alpha, int beta, std::int64_t& calls) {
    ++calls;
    if (trace != nullptr) {
        trace->push_back({depth, utility(grid, depth), cellsOf(grid)});
    }
    if (depth == MAX_DEPTH) {
        return utility(grid, depth);
    }
    Grid g(grid);
    Expanded e(g, (player_id + depth) % 2 != 0);
    const auto& kids = e.children();
    if (kids.empty()) {
        return utility(grid, depth);
    }
    int cur = windowed(kids[0]->grid, depth + 1, alpha, beta, calls);
    for (std::size_t k = 1; k < kids.size(); ++k) {
        if (depth % 2 == 0) {
            if (cur >= beta)
                break;
            cur = std::max(cur, windowed(kids[k]->grid, depth + 1, cur, beta, calls));
        } else {
            if (cur <= alpha)
                break;
            cur = std::min(cur, windowed(kids[k]->grid, depth + 1, alpha, cur, calls));
        }
    }
    return cur;
}

TEST(RandomPositions, SearchChoosesTheFirstBestMinimaxMove) {
    std::mt19937 rng(77);
    int compared = 0;
    for (int size : {8, 10}) {
        for (int k = 0; k < 240; ++k) {
            int player = 1 + k % 2;
            useBoard(size, size, player);
            Grid g = randomPosition(rng);
            // Three plies of a full 10 x 10 tree are slow without cut-offs.
            int maxDepth = (k % 8 == 0 || size == 8) && k % 3 == 0 ? 3 : 1 + k % 2;
            MAX_DEPTH = maxDepth;
            Expanded root(g, player % 2 != 0);
            if (root.children().empty()) {
                continue;
            }
            int bestScore = INT_MIN;
            std::string bestMove;
            for (node* c : root.children()) {
                int v = minimax(c->grid, 1);
                if (v > bestScore) {
                    bestScore = v;
                    bestMove = moveText(c);
                }
            }
            std::int64_t expectedCalls = 0;
            int windowedScore = windowed(g.ptr(), 0, INT_MIN, INT_MAX, expectedCalls);
            ASSERT_EQ(windowedScore, bestScore);

            setBoard(g);
            std::int64_t live = liveNodeCount;
            std::int64_t calls = dfsCallCount;
            EXPECT_EQ(getMove(), bestMove)
                << size << "x" << size << " position " << k << " depth " << maxDepth;
            EXPECT_EQ(dfsCallCount - calls, expectedCalls - 1) << "position " << k;
            EXPECT_EQ(liveNodeCount, live);
            node* r = createNode(g.ptr());
            EXPECT_EQ(DFS(r, 0, INT_MIN, INT_MAX).first, bestScore);
            deleteNode(r);
            ++compared;
        }
    }
    MAX_DEPTH = 1;
    EXPECT_GT(compared, 400);
}

}  // namespace

namespace {

// Windows matter only from four plies on (at three, the nodes that receive a
// narrowed window are leaves), so the call count is checked at depth 4 too.
TEST(RandomPositions, FourPlySearchDoesTheWorkTheWindowRuleImplies) {
    std::mt19937 rng(4242);
    std::uniform_int_distribution<int> density(8, 30);
    for (int k = 0; k < 40; ++k) {
        int player = 1 + k % 2;
        useBoard(8, 8, player);
        MAX_DEPTH = 4;
        Grid g = k % 4 == 0 ? randomPlay(rng, 6 + k) : randomFill(rng, density(rng));
        std::int64_t expectedCalls = 0;
        int expectedScore = windowed(g.ptr(), 0, INT_MIN, INT_MAX, expectedCalls);
        setBoard(g);
        std::int64_t calls = dfsCallCount;
        if (getMove().empty()) {
            continue;
        }
        EXPECT_EQ(dfsCallCount - calls, expectedCalls - 1) << "position " << k;
        node* r = createNode(g.ptr());
        EXPECT_EQ(DFS(r, 0, INT_MIN, INT_MAX).first, expectedScore) << "position " << k;
        deleteNode(r);
    }
    MAX_DEPTH = 1;
}

}  // namespace

namespace {

// Node by node, the search visits what the window rule implies: the same
// nodes in the same order, each showing its own position while it is scored
// and scored as a scan of that position scores. Every board width the search
// has its own code for is covered, and some boards hold values that are no
// cell code.
TEST(RandomPositions, SearchVisitsEachNodeWithItsBoardAndScore) {
    struct Case {
        int rows, cols, depth;
    };
    const Case cases[] = {{8, 8, 4}, {10, 10, 3}, {6, 8, 3}, {9, 7, 3}, {7, 10, 3}, {6, 5, 4}};
    std::mt19937 rng(9090);
    for (const Case& c : cases) {
        for (int k = 0; k < 6; ++k) {
            useBoard(c.rows, c.cols, 1 + k % 2);
            MAX_DEPTH = c.depth;
            Grid g = k % 2 == 0 ? randomPlay(rng, 4 + 3 * k) : randomFill(rng, 15 + 5 * k);
            if (k == 3) {
                g.at(2, 1) = 5;
                g.at(n - 3, m - 1) = -5;
            }
            std::vector<Visit> expected;
            std::vector<Visit> actual;
            std::int64_t calls = 0;
            trace = &expected;
            const int score = windowed(g.ptr(), 0, INT_MIN, INT_MAX, calls);
            trace = &actual;
            dfsNodeHook = recordVisit;
            node* r = createNode(g.ptr());
            const int searched = DFS(r, 0, INT_MIN, INT_MAX).first;
            deleteNode(r);
            dfsNodeHook = nullptr;
            trace = nullptr;
            const std::string where = std::to_string(c.rows) + "x" + std::to_string(c.cols) +
                                      " position " + std::to_string(k);
            EXPECT_EQ(searched, score) << where;
            ASSERT_EQ(actual.size(), expected.size()) << where;
            const auto differ = std::mismatch(actual.begin(), actual.end(), expected.begin());
            EXPECT_TRUE(differ.first == actual.end())
                << where << ": node " << differ.first - actual.begin() << " at depth "
                << differ.first->depth << " scored " << differ.first->value << ", expected "
                << differ.second->value;
        }
    }
    MAX_DEPTH = 1;
}

}  // namespace
