// Why a game ended. Every way a game can end is one enumerator here, and each
// has exactly one sentence: the result line and the record's Termination tag
// both print describe(), so the two can never tell different stories.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "records/result.h"
#include "rules/side.h"

namespace referee {

enum class EndReason {
    TownHallsLost,  // the loser is down to the town-hall limit
    NoLegalMove,    // the side to move has no move under the game's rules
    TimeForfeit,    // the loser's clock ran below minus the margin
    MoveTimeout,    // one move took longer than the time per move and the margin
    IllegalMove,    // a well-formed line that names no move of the loser
    MalformedLine,  // a line outside the move notation
    OutOfTurn,      // output while the opponent was to move, or two lines at once
    LineTooLong,    // more than the line bound before a newline
    PartialLine,    // output ended in the middle of a line
    Exited,         // the process ended
    ClosedOutput,   // standard output closed while the process lives on
    ClosedInput,    // the player stopped reading its moves
    MemoryLimit,    // the kernel killed one of the player's processes for its memory
    Resigned,       // a person at the terminal gave up, or their input ended
    Repetition,     // draw: third occurrence of a position with the same side to move
    PlyLimit,       // draw: the ply limit was reached
    Interrupted,    // unfinished: the referee was stopped by a signal
};

struct Outcome {
    EndReason reason = EndReason::PlyLimit;
    std::optional<rules::Side> loser;  // nullopt for a draw
    std::string detail;                // e.g. the quoted line; may be empty

    // A win for the side that did not lose, a draw when nobody lost, no
    // result ("*") for a game the referee was stopped in.
    records::Result result() const;
    // The reason's sentence for this game, e.g. "white lost its town halls",
    // followed by the detail when there is one.
    std::string describe() const;
    // The sentence without the detail: what a match summary groups by.
    std::string sentence() const;
};

// The short fixed word a results line and the standings name a player's
// fault by ("time-forfeit", "malformed-line", ...); none for an ending the
// rules of the game decide, a person resigning or a stopped referee, which
// are nobody's fault.
std::optional<std::string_view> fault_kind(EndReason reason);

}  // namespace referee
