#include "referee/match/stats.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using referee::Score;
using referee::SprtDecision;
using referee::SprtSettings;

// Expected values computed in python3 from the formulas in stats.cpp:
//   s = (W + D/2)/N, elo = -400*log10(1/s - 1),
//   v = (W(1-s)^2 + D(1/2-s)^2 + L s^2)/N, interval elo(s -+ 1.959964*sqrt(v/N)),
//   los = 0.5*(1 + erf((W-L)/sqrt(2(W+L)))).
TEST(Stats, EloIntervalAndLosMatchWorkedNumbers) {
    const auto a = referee::estimate_elo(Score{12, 8, 10});
    ASSERT_TRUE(a);
    EXPECT_NEAR(a->elo, 46.602228, 1e-5);
    EXPECT_NEAR(a->low, -54.261228, 1e-5);
    EXPECT_NEAR(a->high, 156.213540, 1e-5);
    EXPECT_NEAR(referee::likelihood_of_superiority(Score{12, 8, 10}), 0.814453, 1e-6);
    EXPECT_EQ(referee::format_estimate(a), "+46.6 [-54.3, +156.2]");

    const auto b = referee::estimate_elo(Score{2, 5, 3});  // the loser's side
    EXPECT_NEAR(b->elo, -107.538125, 1e-5);
    EXPECT_NEAR(b->low, -366.844428, 1e-5);
    EXPECT_NEAR(b->high, 64.691731, 1e-5);
    EXPECT_NEAR(referee::likelihood_of_superiority(Score{2, 5, 3}), 1 - 0.871580, 1e-6);
}

TEST(Stats, EdgeScoresGiveInfiniteOrNoEstimate) {
    EXPECT_FALSE(referee::estimate_elo(Score{}));
    EXPECT_EQ(referee::format_estimate(std::nullopt), "no estimate");
    const auto all_won = referee::estimate_elo(Score{4, 0, 0});
    EXPECT_EQ(referee::format_elo(all_won->elo), "+inf");
    EXPECT_EQ(referee::format_elo(all_won->high), "+inf");
    EXPECT_EQ(referee::format_elo(referee::estimate_elo(Score{0, 3, 0})->elo), "-inf");
    const auto all_drawn = referee::estimate_elo(Score{0, 0, 6});
    EXPECT_EQ(referee::format_estimate(all_drawn), "+0.0 [+0.0, +0.0]");
    EXPECT_EQ(referee::likelihood_of_superiority(Score{0, 0, 6}), 0.5);
    // A wide interval runs off the curve: one win and one loss.
    EXPECT_TRUE(std::isinf(referee::estimate_elo(Score{1, 1, 0})->high));
}

// LLR = N (s1 - s0)(2s - s0 - s1) / (2v), from the same python3 session.
TEST(Stats, SprtDecidesAtTheBounds) {
    const SprtSettings settings{0, 5, 0.05, 0.05};
    const auto undecided = referee::sprt(Score{12, 8, 10}, settings);
    EXPECT_NEAR(undecided.llr, 0.083920, 1e-6);
    EXPECT_NEAR(undecided.upper, 2.944439, 1e-6);  // log(0.95 / 0.05)
    EXPECT_EQ(undecided.decision, SprtDecision::Continue);

    const auto h1 = referee::sprt(Score{320, 200, 480}, settings);
    EXPECT_NEAR(h1.llr, 3.210604, 1e-6);
    EXPECT_EQ(h1.decision, SprtDecision::AcceptH1);
    const auto h0 = referee::sprt(Score{200, 300, 500}, settings);
    EXPECT_NEAR(h0.llr, -3.148071, 1e-6);
    EXPECT_EQ(h0.decision, SprtDecision::AcceptH0);
    EXPECT_NE(referee::describe_sprt(h0, settings).find("H0 accepted"), std::string::npos);

    // No spread in the results yet: nothing to weigh the evidence against.
    EXPECT_EQ(referee::sprt(Score{50, 0, 0}, settings).decision, SprtDecision::Continue);
    EXPECT_EQ(referee::sprt(Score{}, settings).llr, 0);
}

TEST(Stats, SprtSettingsAreReadStrictly) {
    const auto good = referee::parse_sprt({"elo0=-1.5", "elo1=4", "alpha=0.05", "beta=0.1"});
    ASSERT_TRUE(std::holds_alternative<SprtSettings>(good));
    EXPECT_EQ(std::get<SprtSettings>(good).elo0, -1.5);
    EXPECT_EQ(std::get<SprtSettings>(good).beta, 0.1);
    for (const char* bad :
         {"elo0=0 elo1=5 alpha=0.05", "elo0=0 elo1=5 alpha=0.05 beta=0.05 beta=0.05",
          "elo0=0 elo1=5 alpha=x beta=0.05", "elo0=5 elo1=5 alpha=0.05 beta=0.05",
          "elo0=0 elo1=5 alpha=0 beta=0.05", "elo0=nan elo1=5 alpha=0.05 beta=0.05"}) {
        EXPECT_TRUE(std::holds_alternative<std::string>(referee::parse_sprt({bad}))) << bad;
    }
}

}  // namespace
