// The summary line: every number where the format puts it, infinities and
// missing estimates spelled as docs/statistics.md says, and the line left
// alone by the readers of results files.
#include "records/summary.h"

#include <gtest/gtest.h>

#include <limits>
#include <sstream>

#include "records/results.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

records::Summary two_players() {
    records::Summary s;
    s.players = {"p", "q \"x\""};
    s.unfinished = 1;
    s.standings = {{"p", 3.5, 4, 3, 0, 1, std::nullopt},
                   {"q \"x\"", 0.5, 4, 0, 3, 1, std::nullopt}};
    s.match = records::SummaryMatch{.wins = 3,
                                    .losses = 0,
                                    .draws = 1,
                                    .pentanomial = {0, 0, 0, 1, 1},
                                    .unpaired = 0,
                                    .model = "pentanomial",
                                    .elo = records::EloInterval{kInf, 35.25, kInf},
                                    .los = 0.96875};
    s.reasons = {{"white lost its town halls", 3}, {"the ply limit was reached", 1}};
    s.faults = {{"q \"x\"", {{"time-forfeit", 1}, {"exited", 2}}}};
    s.sprt = records::SummarySprt{.model = "pentanomial",
                                  .elo0 = 0,
                                  .elo1 = 5,
                                  .alpha = 0.05,
                                  .beta = 0.05,
                                  .llr = 1.5,
                                  .lower = -2,
                                  .upper = 2.75,
                                  .verdict = records::SprtVerdict::None};
    return s;
}

TEST(Summary, TwoPlayersLineHoldsEveryField) {
    const std::string line = records::summary_line(two_players());
    EXPECT_EQ(line,
              R"({"summary":{"players":["p","q \"x\""],"unfinished":1,"standings":[)"
              R"({"rank":1,"player":"p","points":3.5,"games":4,"wins":3,"losses":0,"draws":1,)"
              R"("score":0.875},{"rank":2,"player":"q \"x\"","points":0.5,"games":4,"wins":0,)"
              R"("losses":3,"draws":1,"score":0.125}],"match":{"wins":3,"losses":0,"draws":1,)"
              R"("pentanomial":[0,0,0,1,1],"unpaired":0,"model":"pentanomial","elo":"inf",)"
              R"("elo_low":35.25,"elo_high":"inf","los":0.96875},"reasons":{)"
              R"("the ply limit was reached":1,"white lost its town halls":3},"faults":{)"
              R"("q \"x\"":{"exited":2,"time-forfeit":1}},"sprt":{"model":"pentanomial",)"
              R"("elo0":0.0,"elo1":5.0,"alpha":0.05,"beta":0.05,"llr":1.5,"lower":-2.0,)"
              R"("upper":2.75,"decision":"none"}}})"
              "\n");
    // A reader of the file passes over it.
    std::istringstream in(line);
    const auto read = records::read_results(in, "r.jsonl");
    EXPECT_TRUE(read.games.empty());
    EXPECT_TRUE(read.problems.empty());
}

TEST(Summary, NumbersWithoutJsonSpellingAndMissingEstimates) {
    records::Summary s = two_players();
    s.match->elo = records::EloInterval{-kInf, -kInf, -0.0};
    s.sprt->verdict = records::SprtVerdict::AcceptH1;
    s.sprt->llr = -0.0;
    std::string line = records::summary_line(s);
    EXPECT_NE(line.find(R"("elo":"-inf","elo_low":"-inf","elo_high":0.0,)"), std::string::npos)
        << line;
    EXPECT_NE(line.find(R"("llr":0.0,)"), std::string::npos) << line;
    EXPECT_EQ(line.find("-0.0"), std::string::npos) << line;
    EXPECT_NE(line.find(R"("decision":"H1")"), std::string::npos) << line;
    s.sprt->verdict = records::SprtVerdict::AcceptH0;
    EXPECT_NE(records::summary_line(s).find(R"("decision":"H0")"), std::string::npos);

    // No games: no score, no estimate, no likelihood; no SPRT, no key.
    s.standings = {{"p", 0, 0, 0, 0, 0, std::nullopt}};
    s.match = records::SummaryMatch{};
    s.match->model = "trinomial";
    s.sprt.reset();
    line = records::summary_line(s);
    EXPECT_NE(line.find(R"("draws":0,"score":null})"), std::string::npos) << line;
    EXPECT_NE(line.find(R"("elo":null,"elo_low":null,"elo_high":null,"los":null)"),
              std::string::npos)
        << line;
    EXPECT_EQ(line.find("sprt"), std::string::npos) << line;
}

// A field: ratings on each row, whether the prior was needed, no match;
// faults in the order the players were named, not by name.
TEST(Summary, FieldLineHoldsRatingsAndFaultsInPlayerOrder) {
    records::Summary s;
    s.players = {"zed", "amy", "caf\xc3\xa9", "bad\xff"};
    for (const auto& name : s.players)
        s.standings.push_back({name, 1, 2, 1, 1, 0, records::EloInterval{12.5, -kInf, 40}});
    s.rating_prior = true;
    s.faults = {{"zed", {{"exited", 1}}}, {"amy", {{"exited", 1}}}};
    const std::string line = records::summary_line(s);
    EXPECT_NE(line.find(R"("score":0.5,"rating":12.5,"rating_low":"-inf","rating_high":40.0})"),
              std::string::npos)
        << line;
    EXPECT_NE(line.find(R"("standings":[)"), std::string::npos);
    EXPECT_LT(line.find("\"standings\""), line.find(R"("rating_prior":true)")) << line;
    EXPECT_EQ(line.find("\"match\""), std::string::npos) << line;
    EXPECT_NE(line.find(R"("faults":{"zed":{"exited":1},"amy":{"exited":1}})"), std::string::npos)
        << line;
    // Names are any bytes: valid UTF-8 stays, the rest is replaced, and
    // the line is still one line.
    EXPECT_NE(line.find("caf\xc3\xa9"), std::string::npos);
    EXPECT_NE(line.find("bad\xef\xbf\xbd"), std::string::npos);
    EXPECT_EQ(line.find('\n'), line.size() - 1);
}

}  // namespace
