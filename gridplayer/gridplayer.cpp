#include "gridplayer/gridplayer.h"

#include <cctype>
#include <climits>
#include <iostream>
#include <optional>

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

node* createNode(int** source) {
    node* p = new node{0, 0, 0, 0, 0, newGrid(), 0, {}};
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < m; ++j) {
            p->grid[i][j] = source[i][j];
        }
    }
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

void deleteNode(node* p) {
    for (int i = 0; i < n; ++i) {
        delete[] p->grid[i];
    }
    delete[] p->grid;
    delete p;  // the children vector frees its own storage here
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

// Everything in which the two colours' rules differ. Both generators share one
// body so the order of the passes cannot drift apart between the colours.
struct Side {
    int sign;         // +1 white, -1 black: own cells have this sign
    int ahead;        // row step towards the opponent
    int cannonDc[4];  // cannon directions, in the order they are tried
    int cannonDr[4];
};

constexpr Side kWhite{+1, +1, {-1, 0, +1, +1}, {+1, +1, 0, +1}};
constexpr Side kBlack{-1, -1, {-1, 0, +1, +1}, {-1, -1, -1, 0}};

class Generator {
  public:
    Generator(node* p, const Side& side) : p_(p), g_(p->grid), s_(side), own_(2 * side.sign) {}

    void run() {
        forEachSoldier([this](int r, int c) { steps(r, c); });
        forEachSoldier([this](int r, int c) { retreats(r, c); });
        forEachSoldier([this](int r, int c) { cannons(r, c); });
    }

  private:
    template <typename F>
    void forEachSoldier(F f) {
        for (int r = 0; r < n; ++r) {
            for (int c = 0; c < m; ++c) {
                if (g_[r][c] == own_) {
                    f(r, c);
                }
            }
        }
    }

    // Empty or enemy: a square a soldier may move to or a cannon may fire at.
    bool freeCell(int r, int c) const { return onBoard(r, c) && g_[r][c] * s_.sign < 1; }
    // Enemy soldier or town hall: only these can be taken sideways.
    bool enemy(int r, int c) const { return onBoard(r, c) && g_[r][c] * s_.sign < 0; }
    bool enemySoldier(int r, int c) const { return onBoard(r, c) && g_[r][c] == -own_; }
    bool ownSoldier(int r, int c) const { return onBoard(r, c) && g_[r][c] == own_; }
    bool empty(int r, int c) const { return onBoard(r, c) && g_[r][c] == 0; }

    // Makes the move on the parent's grid just long enough to copy it.
    void add(int fr, int fc, char type, int tr, int tc) {
        int oldFrom = g_[fr][fc];
        int oldTo = g_[tr][tc];
        if (type == 'M') {
            g_[fr][fc] = 0;
            g_[tr][tc] = own_;
        } else {
            g_[tr][tc] = 0;
        }
        p_->children.push_back(createNode(g_, fr, fc, type, tr, tc));
        g_[tr][tc] = oldTo;
        g_[fr][fc] = oldFrom;
    }

    void steps(int r, int c) {
        int a = r + s_.ahead;
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
        int back = r - 2 * s_.ahead;
        if (back < 0 || back >= n) {
            return;
        }
        int a = r + s_.ahead;
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
            int dc = s_.cannonDc[k];
            int dr = s_.cannonDr[k];
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

    node* p_;
    int** g_;
    const Side& s_;
    int own_;
};

}  // namespace

void getValidWhiteMoves(node* p) {
    Generator(p, kWhite).run();
}

void getValidBlackMoves(node* p) {
    Generator(p, kBlack).run();
}

// ---- Utility ------------------------------------------------------------------------

namespace {

// Weights of the line terms by the row of the soldier scanned; both colours
// use the row index as it stands.
int rowLinePlus(int i) {
    return i <= 2 ? 3 : i + 2;
}
int diagonalPlus(int i) {
    return i + 2;
}
int linePenalty(int i) {
    return -i;
}
int columnLine(int i) {
    return (i + 2) / 2;
}
int ownSquare(int i) {
    return (i + 2) / 2 + (i <= 2 ? 1 - i : 0);
}

}  // namespace

int utility(int** grid, int /*depth*/) {
    int S = 0;
    int W = 0;
    int B = 0;
    int TW = 0;
    int TB = 0;
    auto holds = [grid](int i, int j, int s) { return onBoard(i, j) && grid[i][j] == s; };
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < m; ++j) {
            int v = grid[i][j];
            if (v == 2) {
                ++W;
                S += (i * i + 1) / 2;
            } else if (v == -2) {
                ++B;
                S -= ((n - 1 - i) * (n - 1 - i) + 1) / 2;
            } else if (v == 1) {
                ++TW;
            } else if (v == -1) {
                ++TB;
            }
            // Material, added at every cell: the further the scan has gone with
            // a material lead, the more it counts.
            S += W / 2 - B / 2;
            if (v != 2 && v != -2) {
                continue;
            }
            int s = v;
            int r = v == 2 ? 1 : -1;
            // Lines pointing from columns 0..3 rightwards or from 4.. leftwards
            // point towards the middle of an 8-column board and are rewarded.
            if (holds(i, j - 1, s) && holds(i, j - 2, s)) {
                S += j >= 4 ? rowLinePlus(i) : linePenalty(i);
            }
            if (holds(i + r, j - 1, s) && holds(i + 2 * r, j - 2, s)) {
                S += j >= 4 ? diagonalPlus(i) : linePenalty(i);
            }
            S += ownSquare(i);
            if (holds(i + r, j, s) && holds(i + 2 * r, j, s)) {
                S += columnLine(i);
            }
            if (holds(i, j + 1, s) && holds(i, j + 2, s)) {
                S += j <= 3 ? rowLinePlus(i) : linePenalty(i);
            }
            if (holds(i + r, j + 1, s) && holds(i + 2 * r, j + 2, s)) {
                S += j <= 3 ? diagonalPlus(i) : linePenalty(i);
            }
        }
    }
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
