// treeplayer's game loop. No
// legal move or end of input before a move ends the program with status 0;
// unsafe input ends it with one line on standard error and status 2.
#include <charconv>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "treeplayer/Minimax.h"
#include "treeplayer/Node.h"
#include "treeplayer/cannon_list.h"
#include "treeplayer/common.h"
#include "treeplayer/tree.h"

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

[[noreturn]] void reject(const std::string& what, const std::vector<std::string>& tokens,
                         const std::string& why) {
    std::cerr << "treeplayer: " << what << " \"" << join(tokens) << "\": " << why << std::endl;
    std::exit(kUnsafeInput);
}

// The four header integers, or the program ends with status 2.
std::vector<int> read_header() {
    std::vector<std::string> tokens;
    std::vector<int> fields;
    for (int i = 0; i < 4; ++i) {
        std::string token;
        if (!(std::cin >> token)) {
            reject("bad header", tokens,
                   "expected four integers, input ended after " + std::to_string(i));
        }
        tokens.push_back(token);
        auto value = to_int(token);
        if (!value) {
            reject("bad header", tokens, "field " + std::to_string(i + 1) + " is not an integer");
        }
        fields.push_back(*value);
    }
    return fields;
}

// The opponent's move, or nullopt at end of input before its first token;
// unsafe input ends the program with status 2.
std::optional<Move> read_move() {
    std::vector<std::string> tokens;
    std::string token;
    if (!(std::cin >> token))
        return std::nullopt;
    tokens.push_back(token);
    for (int i = 1; i < 6; ++i) {
        if (!(std::cin >> token)) {
            reject("bad move", tokens,
                   "expected six tokens, input ended after " + std::to_string(i));
        }
        tokens.push_back(token);
    }
    if (tokens[0].size() != 1)
        reject("bad move", tokens, "the piece must be one letter");
    if (tokens[3].size() != 1)
        reject("bad move", tokens, "the action must be one letter");
    int coords[4];
    const int at[4] = {1, 2, 4, 5};
    for (int i = 0; i < 4; ++i) {
        auto value = to_int(tokens[at[i]]);
        if (!value)
            reject("bad move", tokens, "coordinates must be integers");
        coords[i] = *value;
    }
    for (int c : coords) {
        if (c < 0 || c > 7)
            reject("bad move", tokens, "coordinates must lie in 0..7");
    }
    return Move{tokens[0][0], coords[0], coords[1], tokens[3][0], coords[2], coords[3]};
}

}  // namespace

int main() {
    const std::vector<int> header = read_header();
    const int player_id = header[0];
    const int rows = header[1];
    const int columns = header[2];
    const int game_time = header[3];
    std::cerr << player_id << ' ' << game_time << ' ' << rows << ' ' << columns << std::endl;

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
            print_move(move);
            board = Update_board(move, board);
            own_turn = false;
        } else {
            const std::optional<Move> move = read_move();
            if (!move)
                return 0;  // end of input: the referee has ended the game
            std::cerr << "Move from computer: ";
            printerr_move(*move);
            std::cerr << '\n' << std::flush;
            board = Update_board(*move, board);
            own_turn = true;
        }
    }
}
