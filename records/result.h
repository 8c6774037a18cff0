// How a game ended for the score: black won, white won, a draw, or no
// result (a game the referee was stopped in, or a record cut off before
// its result line). The record's result line, the Result tag and the
// results line all spell it the same way: "1-0", "0-1", "1/2-1/2", "*".
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "rules/side.h"

namespace records {

class Result {
  public:
    enum class Kind { BlackWon, WhiteWon, Draw, Unfinished };

    // No result: what a game has until it ends.
    constexpr Result() = default;
    constexpr explicit Result(Kind kind) : kind_(kind) {}

    static constexpr Result win_for(rules::Side winner) {
        return Result(winner == rules::Side::Black ? Kind::BlackWon : Kind::WhiteWon);
    }
    static constexpr Result draw() { return Result(Kind::Draw); }
    static constexpr Result unfinished() { return Result(Kind::Unfinished); }

    // One of the four texts exactly; nullopt for anything else, even with
    // space around it, so that a damaged file is caught rather than read
    // as something it does not say.
    static std::optional<Result> parse(std::string_view text);

    constexpr Kind kind() const { return kind_; }
    // "1-0", "0-1", "1/2-1/2" or "*".
    std::string text() const;

    // Whether the game came to a result that counts.
    constexpr bool decided() const { return kind_ != Kind::Unfinished; }
    // The winner; none for a draw or no result.
    std::optional<rules::Side> winner() const;
    // What `side` scores: 1 for a win, 0 for a loss, 1/2 for a draw; none
    // for a game without a result, which counts for nobody.
    std::optional<double> points(rules::Side side) const;

    constexpr bool operator==(const Result&) const = default;

  private:
    Kind kind_ = Kind::Unfinished;
};

}  // namespace records
