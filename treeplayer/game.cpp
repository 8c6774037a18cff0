// treeplayer's game loop over any pair of streams. No legal move or end of
// input before a move ends the game with status 0; unsafe input (including a
// header for another player id or another board size) ends it with one line
// on the error stream and status 2.
#include "treeplayer/game.h"

#include <charconv>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <variant>
#include <vector>

#include "treeplayer/Minimax.h"
#include "treeplayer/Node.h"
#include "treeplayer/cannon_list.h"
#include "treeplayer/common.h"
#include "treeplayer/tree.h"

namespace treeplayer {

namespace {

constexpr int kUnsafeInput = 2;

// A whole token read as a decimal int (optional sign), as `>> int` would
// take it, without overflow.
std::optional<int> to_int(const std::string& token) {
    std::size_t start = 0;
    if (!token.empty() && (token[0] == '+' || token[0] == '-'))
        start = 1;
    if (start == token.size())
        return std::nullopt;
    for (std::size_t i = start; i < token.size(); ++i) {
        if (token[i] < '0' || token[i] > '9')
            return std::nullopt;
    }
    const char* first = token.data() + (token[0] == '+' ? 1 : 0);
    const char* last = token.data() + token.size();
    int value = 0;
    auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last)
        return std::nullopt;
    return value;
}

std::string join(const std::vector<std::string>& tokens) {
    std::string text;
    for (const auto& t : tokens) {
        if (!text.empty())
            text += ' ';
        text += t;
    }
    return text;
}

// Unsafe input: the one line that says what was wrong, quoting the input.
struct Rejected {
    std::string line;
};

Rejected reject(const std::string& what, const std::vector<std::string>& tokens,
                const std::string& why) {
    return {"treeplayer: " + what + " \"" + join(tokens) + "\": " + why};
}

// The four header integers, or the reason they cannot be read.
std::variant<std::vector<int>, Rejected> read_header(std::istream& in) {
    std::vector<std::string> tokens;
    std::vector<int> fields;
    for (int i = 0; i < 4; ++i) {
        std::string token;
        if (!(in >> token)) {
            return reject("bad header", tokens,
                          "expected four integers, input ended after " + std::to_string(i));
        }
        tokens.push_back(token);
        auto value = to_int(token);
        if (!value) {
            return reject("bad header", tokens,
                          "field " + std::to_string(i + 1) + " is not an integer");
        }
        fields.push_back(*value);
    }
    // Any other id would leave the program unsure which side it plays, and
    // it knows only the 8 x 8 game: on another board every move it wrote
    // would be wrong.
    if (fields[0] != 1 && fields[0] != 2)
        return reject("bad header", tokens, "the player id must be 1 or 2");
    if (fields[1] != 8 || fields[2] != 8)
        return reject("bad header", tokens, "the board must be 8 x 8");
    return fields;
}

// End of input before the first token of a move.
struct InputEnded {};

// The opponent's move, the end of the input, or the reason the move is
// unsafe to apply.
std::variant<Move, InputEnded, Rejected> read_move(std::istream& in) {
    std::vector<std::string> tokens;
    std::string token;
    if (!(in >> token))
        return InputEnded{};
    tokens.push_back(token);
    for (int i = 1; i < 6; ++i) {
        if (!(in >> token)) {
            return reject("bad move", tokens,
                          "expected six tokens, input ended after " + std::to_string(i));
        }
        tokens.push_back(token);
    }
    if (tokens[0].size() != 1)
        return reject("bad move", tokens, "the piece must be one letter");
    if (tokens[3].size() != 1)
        return reject("bad move", tokens, "the action must be one letter");
    int coords[4];
    const int at[4] = {1, 2, 4, 5};
    for (int i = 0; i < 4; ++i) {
        auto value = to_int(tokens[at[i]]);
        if (!value)
            return reject("bad move", tokens, "coordinates must be integers");
        coords[i] = *value;
    }
    for (int c : coords) {
        if (c < 0 || c > 7)
            return reject("bad move", tokens, "coordinates must lie in 0..7");
    }
    return Move{tokens[0][0], coords[0], coords[1], tokens[3][0], coords[2], coords[3]};
}

}  // namespace

int run_game(std::istream& in, std::ostream& out, std::ostream& err) {
    auto header_read = read_header(in);
    if (auto* rejected = std::get_if<Rejected>(&header_read)) {
        err << rejected->line << std::endl;
        return kUnsafeInput;
    }
    const std::vector<int>& header = std::get<std::vector<int>>(header_read);
    const int player_id = header[0];
    const int rows = header[1];
    const int columns = header[2];
    const int game_time = header[3];
    err << player_id << ' ' << game_time << ' ' << rows << ' ' << columns << std::endl;

    Node root;
    root.SetBlack(player_id == 1);
    Board board = initialise();
    bool own_turn = player_id == 1;

    while (true) {
        if (own_turn) {
            root.SetBoard(board);
            create_tree(&root, 0);
            if (root.GetChildren().empty())
                return 0;  // no legal move: nothing to say, the game is over
            const Move move = minimax(&root, true, MIN, MAX).second;
            write_move(out, move);
            board = Update_board(move, board);
            own_turn = false;
        } else {
            auto move_read = read_move(in);
            if (std::holds_alternative<InputEnded>(move_read))
                return 0;  // end of input: the referee has ended the game
            if (auto* rejected = std::get_if<Rejected>(&move_read)) {
                err << rejected->line << std::endl;
                return kUnsafeInput;
            }
            const Move& move = std::get<Move>(move_read);
            err << "Move from computer: ";
            write_move(err, move);
            err << '\n' << std::flush;
            board = Update_board(move, board);
            own_turn = true;
        }
    }
}

}  // namespace treeplayer
