#include "referee/game/outcome.h"

namespace referee {

records::Result Outcome::result() const {
    if (reason == EndReason::Interrupted)
        return records::Result::unfinished();
    if (!loser)
        return records::Result::draw();
    return records::Result::win_for(opponent(*loser));
}

std::string Outcome::sentence() const {
    const std::string who = loser ? rules::side_name(*loser) : "";
    switch (reason) {
        case EndReason::TownHallsLost:
            return who + " lost its town halls";
        case EndReason::NoLegalMove:
            return who + " has no legal move";
        case EndReason::TimeForfeit:
            return who + " ran out of time";
        case EndReason::MoveTimeout:
            return who + " exceeded the time per move";
        case EndReason::IllegalMove:
            return who + " played an illegal move";
        case EndReason::MalformedLine:
            return who + " wrote a malformed move line";
        case EndReason::OutOfTurn:
            return who + " wrote out of turn";
        case EndReason::LineTooLong:
            return who + " wrote a line longer than the limit";
        case EndReason::PartialLine:
            return who + " ended its output in the middle of a line";
        case EndReason::Exited:
            return who + " exited";
        case EndReason::ClosedOutput:
            return who + " closed its output";
        case EndReason::ClosedInput:
            return who + " stopped reading its input";
        case EndReason::MemoryLimit:
            return who + " exceeded its memory limit";
        case EndReason::Resigned:
            return who + " resigned";
        case EndReason::Repetition:
            return "the same position occurred three times";
        case EndReason::PlyLimit:
            return "the ply limit was reached";
        case EndReason::Interrupted:
            return "the referee was stopped";
    }
    return "unknown";
}

std::string Outcome::describe() const {
    if (detail.empty())
        return sentence();
    // The limit belongs to the sentence: "black exceeded its memory limit
    // (200 MB)".
    if (reason == EndReason::MemoryLimit)
        return sentence() + " (" + detail + ")";
    return sentence() + ": " + detail;
}

std::optional<std::string_view> fault_kind(EndReason reason) {
    switch (reason) {
        case EndReason::TimeForfeit:
            return "time-forfeit";
        case EndReason::MoveTimeout:
            return "move-timeout";
        case EndReason::IllegalMove:
            return "illegal-move";
        case EndReason::MalformedLine:
            return "malformed-line";
        case EndReason::OutOfTurn:
            return "out-of-turn";
        case EndReason::LineTooLong:
            return "line-too-long";
        case EndReason::PartialLine:
            return "partial-line";
        case EndReason::Exited:
            return "exited";
        case EndReason::ClosedOutput:
            return "closed-output";
        case EndReason::ClosedInput:
            return "closed-input";
        case EndReason::MemoryLimit:
            return "memory-limit";
        case EndReason::TownHallsLost:
        case EndReason::NoLegalMove:
        case EndReason::Resigned:
        case EndReason::Repetition:
        case EndReason::PlyLimit:
        case EndReason::Interrupted:
            return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace referee
