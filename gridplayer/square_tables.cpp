#include "gridplayer/square_tables.h"

namespace gridplayer {

namespace {

// The ways a line runs, as steps of row and column, in the order of
// SquareTables::lineThrough.
constexpr int dr[4] = {0, 1, 1, 1};
constexpr int dc[4] = {1, 0, 1, -1};

// What the complete line of three from (row, col) one step (dr, dc) at a
// time adds for each colour, by the credits the board sum gives it: a row
// line counts from both ends, the others from the end farthest back in the
// colour's direction of advance.
void creditLine(const SquareTables& t, int row, int col, int way, int (&credit)[2]) {
    credit[0] = credit[1] = 0;
    const int lastRow = row + 2 * dr[way];
    const int lastCol = col + 2 * dc[way];
    if (row < 0 || col < 0 || col >= m || lastRow >= n || lastCol < 0 || lastCol >= m) {
        return;
    }
    const int first = row * m + col;
    const int last = lastRow * m + lastCol;
    switch (way) {
        case 0:
            credit[0] = credit[1] = t.leftRow[last] + t.rightRow[first];
            break;
        case 1:
            credit[0] = t.column[first];
            credit[1] = t.column[last];
            break;
        case 2:
            credit[0] = t.rightDiag[first];
            credit[1] = t.leftDiag[last];
            break;
        default:
            credit[0] = t.leftDiag[first];
            credit[1] = t.rightDiag[last];
            break;
    }
}

void fillLines(SquareTables& t) {
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < m; ++j) {
            for (int way = 0; way < 4; ++way) {
                // The square is the last, the middle or the first of the line.
                for (int place = 0; place < 3; ++place) {
                    int credit[2];
                    creditLine(t, i - (2 - place) * dr[way], j - (2 - place) * dc[way], way,
                               credit);
                    t.lineThrough[0][i * m + j][way][place] = credit[0];
                    t.lineThrough[1][i * m + j][way][place] = credit[1];
                }
            }
        }
    }
}

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
    fillLines(t);
    for (int b = 0; b < cells; ++b) {
        t.square[b] = Bits{1} << b;
        t.onwards[b] = t.onBoard & ~(t.square[b] - 1);
    }
    t.rows = n;
    t.cols = m;
}

}  // namespace

const SquareTables& squareTables() {
    if (tables.rows != n || tables.cols != m) {
        fill(tables);
    }
    return tables;
}

}  // namespace gridplayer
