#include "referee/game/outcome.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string_view>

#include "referee/match/match.h"

namespace {

using referee::EndReason;
using referee::Outcome;
using rules::Side;

TEST(Outcome, ResultFollowsTheLoserAndTheSentenceNamesIt) {
    const Outcome white_lost{EndReason::TownHallsLost, Side::White, "2 of them left"};
    EXPECT_EQ(white_lost.result().text(), "1-0");
    EXPECT_EQ(white_lost.describe(), "white lost its town halls: 2 of them left");
    EXPECT_EQ(white_lost.sentence(), "white lost its town halls");
    const Outcome black_lost{EndReason::TimeForfeit, Side::Black, ""};
    EXPECT_EQ(black_lost.result().text(), "0-1");
    EXPECT_EQ(black_lost.describe(), "black ran out of time");
    // The bound belongs to the sentence, in brackets.
    const Outcome memory{EndReason::MemoryLimit, Side::Black, "200 MB"};
    EXPECT_EQ(memory.result().text(), "0-1");
    EXPECT_EQ(memory.describe(), "black exceeded its memory limit (200 MB)");
    EXPECT_EQ(memory.sentence(), "black exceeded its memory limit");
    const Outcome draw{EndReason::Repetition, std::nullopt, ""};
    EXPECT_EQ(draw.result().text(), "1/2-1/2");
    EXPECT_EQ(referee::result_line(3, "treeplayer", "gridplayer", white_lost),
              "Finished game 3 (treeplayer vs gridplayer): 1-0 {white lost its town halls: 2 of "
              "them left}");
}

// Each player's fault has a word of its own, in the results file's
// spelling; the endings the rules decide, a resignation and a stop have none.
TEST(Outcome, EachPlayerFaultHasItsOwnKind) {
    const std::set<EndReason> nobodys = {EndReason::TownHallsLost, EndReason::NoLegalMove,
                                         EndReason::Resigned,      EndReason::Repetition,
                                         EndReason::PlyLimit,      EndReason::Interrupted};
    const std::regex word("[a-z]+(-[a-z]+)*");
    std::set<std::string_view> kinds;
    for (int k = 0; k <= static_cast<int>(EndReason::Interrupted); ++k) {
        const auto reason = static_cast<EndReason>(k);
        const auto kind = referee::fault_kind(reason);
        SCOPED_TRACE((Outcome{reason, Side::Black, ""}.sentence()));
        EXPECT_EQ(kind.has_value(), !nobodys.contains(reason));
        if (!kind)
            continue;
        EXPECT_TRUE(std::regex_match(std::string(*kind), word));
        EXPECT_TRUE(kinds.insert(*kind).second) << *kind << " twice";
    }
    EXPECT_EQ(referee::fault_kind(EndReason::LineTooLong), "line-too-long");
}

}  // namespace
