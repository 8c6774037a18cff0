#include "referee/game/outcome.h"

#include <gtest/gtest.h>

#include "referee/match/match.h"

namespace {

using referee::EndReason;
using referee::Outcome;
using referee::Side;

TEST(Outcome, ResultFollowsTheLoserAndTheSentenceNamesIt) {
    const Outcome white_lost{EndReason::TownHallsLost, Side::White, "2 of them left"};
    EXPECT_EQ(white_lost.result(), "1-0");
    EXPECT_EQ(white_lost.describe(), "white lost its town halls: 2 of them left");
    EXPECT_EQ(white_lost.sentence(), "white lost its town halls");
    const Outcome black_lost{EndReason::TimeForfeit, Side::Black, ""};
    EXPECT_EQ(black_lost.result(), "0-1");
    EXPECT_EQ(black_lost.describe(), "black ran out of time");
    // The bound belongs to the sentence, in brackets.
    const Outcome memory{EndReason::MemoryLimit, Side::Black, "200 MB"};
    EXPECT_EQ(memory.result(), "0-1");
    EXPECT_EQ(memory.describe(), "black exceeded its memory limit (200 MB)");
    EXPECT_EQ(memory.sentence(), "black exceeded its memory limit");
    const Outcome draw{EndReason::Repetition, std::nullopt, ""};
    EXPECT_EQ(draw.result(), "1/2-1/2");
    EXPECT_EQ(referee::result_line(3, "treeplayer", "gridplayer", white_lost),
              "Finished game 3 (treeplayer vs gridplayer): 1-0 {white lost its town halls: 2 of "
              "them left}");
}

}  // namespace
