// A side played by a person at the terminal instead of a program. The
// referee itself shows them the position, reads their move from its own
// standard input and refuses whatever is no legal move, so a typo costs
// time on their clock but never the game.
#pragma once

#include <array>
#include <iosfwd>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "referee/game/outcome.h"
#include "referee/game/seat.h"
#include "referee/seats/keyboard.h"
#include "referee/seats/seating.h"
#include "rules/board.h"
#include "rules/judge.h"

namespace referee {

// Where people play and how the screen is shared with the board display.
struct Terminal {
    Keyboard* keyboard = nullptr;
    std::ostream* screen = nullptr;
    // The display already shows the board after every move, so a turn only
    // needs the prompt.
    bool shows_moves = false;
    bool color = false;
    // Repeat each line read after its prompt: input from a pipe is not
    // echoed, and a transcript without the moves would be unreadable.
    bool echo = false;
};

class HumanSeat : public PersonSeat {
  public:
    explicit HumanSeat(const Terminal& terminal) : terminal_(terminal) {}

    // Shows the position, unless the display just did, and the prompt.
    void begin_turn(const Turn& turn) override;
    // Works through every whole line typed so far: commands are answered and
    // refused lines explained, each followed by the prompt again. nullopt
    // until a move or a resignation comes.
    std::optional<LineOrEnd> take_line(Clock::time_point now) override;
    void watch(std::vector<int>& fds) const override;
    void pump(const std::vector<int>& ready) override;
    // The game is over: a prompt still waiting for its line is ended, so
    // the result (a loss on time, a stop) gets a line of its own.
    void leave() override;

  private:
    void prompt(Clock::time_point now);
    std::optional<LineOrEnd> handle(const std::string& line);
    void say(const std::string& text);

    const Terminal& terminal_;
    Turn turn_;
    bool to_move_ = false;
    bool introduced_ = false;
    bool prompting_ = false;  // the prompt is out and no line has come
};

// The moves `side` may make under `rules`, for the "moves" command: the
// readings' own lists, the treeplayer reading's first, each move once.
// Under Either and Squares every reading that applies to the board counts.
std::vector<protocol::MoveLine> listed_moves(const rules::Board& board, rules::Side side,
                                             rules::RuleSet rules);

// A person's spelling of a move made into the protocol's: blanks collapsed,
// letters upper-case, and "S " put in front of a line that starts with the
// source square's x.
std::string normalized_move(const std::string& typed);

// The "help" command's text.
std::string human_help(rules::RuleSet rules);

}  // namespace referee
