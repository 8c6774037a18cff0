// explain's command line: help, the usage errors, a referee record read the
// same as the move list it holds, and the JSON and text reports.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "explain/run.h"
#include "games.h"
#include "rules/judge.h"

namespace {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome run(std::vector<std::string> words) {
    words.insert(words.begin(), "explain");
    std::vector<const char*> argv(words.size());
    std::transform(words.begin(), words.end(), argv.begin(),
                   [](const std::string& w) { return w.c_str(); });
    std::ostringstream out;
    std::ostringstream err;
    const int status = explain::run(static_cast<int>(argv.size()), argv.data(), out, err);
    return {status, out.str(), err.str()};
}

TEST(ExplainCommandLine, HelpSucceedsAndBadRequestsAreUsageErrors) {
    const auto help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--program"), std::string::npos);

    const std::vector<std::vector<std::string>> refused = {
        {"--program", "treeplayer"},  // no position
        {"--program", "chess", "--moves", ""},
        {"--program", "treeplayer", "--rows", "10", "--columns", "10", "--moves", ""},
        {"--program", "treeplayer", "--depth", "2", "--moves", ""},
        {"--program", "gridplayer", "--rows", "11", "--columns", "10", "--moves", ""},
        {"--program", "gridplayer", "--moves", "S 1 2 M 1 3"},  // white soldier, black to move
        {"--program", "treeplayer", "--moves", "S 0 5 M 0 8"},  // off the board
        {"--program", "gridplayer", "--moves", "S 0 5 X 0 4"},
        {"--program", "gridplayer", "--record", "/nonexistent/record.txt", "--ply", "1"},
        {"--program", "gridplayer", "--depth", "9", "--moves", ""},
    };
    for (const auto& words : refused) {
        const auto outcome = run(words);
        EXPECT_EQ(outcome.status, 2) << words[1] << " " << words.back();
        EXPECT_FALSE(outcome.err.empty());
        EXPECT_TRUE(outcome.out.empty()) << outcome.out;
    }
}

// The JSON of a record's ply must be the JSON of the same moves listed (a
// record as the referee writes it), name one chosen move, and the text
// report must mark that move.
TEST(ExplainCommandLine, RecordPlyReportsAsTheMoveListDoes) {
    for (const auto& [program, rows, columns] :
         {std::tuple{"treeplayer", 8, 8}, std::tuple{"gridplayer", 10, 9}}) {
        std::mt19937 rng(7);
        explain::Setup setup{rows, columns, {}};
        std::string record = "[Event \"test\"]\n[Rows \"" + std::to_string(rows) +
                             "\"]\n[Columns \"" + std::to_string(columns) + "\"]\n\n";
        for (int ply = 0; ply < 12; ++ply) {
            ASSERT_TRUE(explain_test::play_random(program, setup, rng));
            record += protocol::format_move(setup.moves.back()) + " {0.004s}\n";
        }
        const auto path = std::filesystem::temp_directory_path() /
                          ("explain_record_" + std::to_string(::getpid()) + ".txt");
        std::ofstream(path) << record << "*\n";
        for (int ply : {0, 5, 12}) {
            std::string moves;
            for (int k = 0; k < ply; ++k)
                moves += protocol::format_move(setup.moves[k]) + ";";
            std::vector<std::string> listed = {"--program", program,
                                               "--rows",    std::to_string(rows),
                                               "--columns", std::to_string(columns),
                                               "--moves",   moves};
            const std::string text = run(listed).out;
            listed.emplace_back("--json");
            const auto json = run(listed);
            ASSERT_EQ(json.status, 0) << json.err;
            EXPECT_EQ(run({"--program", program, "--record", path.string(), "--ply",
                           std::to_string(ply), "--json"})
                          .out,
                      json.out)
                << program << " ply " << ply;

            const auto report = nlohmann::json::parse(json.out);
            EXPECT_EQ(report["side"], ply % 2 == 0 ? "black" : "white");
            const std::string chosen = report["chosen"];
            EXPECT_EQ(std::count_if(report["moves"].begin(), report["moves"].end(),
                                    [&](const auto& m) { return m["move"] == chosen; }),
                      1);
            const auto mark = text.find("  <- chosen\n");
            ASSERT_NE(mark, std::string::npos);
            EXPECT_EQ(text.rfind(chosen, mark), text.rfind('\n', mark) + 7);
        }
        EXPECT_EQ(run({"--program", program, "--record", path.string(), "--ply", "13"}).status, 2);
        std::filesystem::remove(path);
    }
}

// Black's two column cannons slide up and shoot two of white's four town
// halls while white steps aside: after ply 11 white has two left and has
// lost. A shot is named by treeplayer's middle soldier, gridplayer's front.
std::vector<std::string> town_hall_loss(const std::string& program) {
    const bool tree = program == "treeplayer";
    return {"S 0 7 M 0 4",
            "S 7 2 M 7 3",
            "S 0 6 M 0 3",
            "S 7 3 M 7 4",
            tree ? "S 0 4 B 0 0" : "S 0 3 B 0 0",
            "S 5 2 M 5 3",
            "S 2 7 M 2 4",
            "S 5 3 M 5 4",
            "S 2 6 M 2 3",
            "S 3 2 M 3 3",
            tree ? "S 2 4 B 2 0" : "S 2 3 B 2 0"};
}

std::string joined(const std::vector<std::string>& moves, std::size_t count) {
    std::string out;
    for (std::size_t k = 0; k < count; ++k)
        out += moves[k] + ";";
    return out;
}

TEST(ExplainCommandLine, RefusesWhatTheProgramsRulesCannotReachAndSaysWhenTheGameIsOver) {
    const auto start = rules::Board::starting(8, 8);
    for (const std::string program : {"treeplayer", "gridplayer"}) {
        SCOPED_TRACE(program);
        const auto rule_set = *rules::parse_rule_set(program);
        // A two-square step, and a shot named as the other program names it.
        const std::string other_shot = program == "treeplayer" ? "S 0 5 B 0 3" : "S 0 6 B 0 3";
        for (const std::string& line : {std::string("S 0 5 M 0 3"), other_shot}) {
            const auto why =
                rules::refusal(start, rules::Side::Black, *protocol::parse_move(line), rule_set);
            ASSERT_TRUE(why) << line;
            const auto refused = run({"--program", program, "--moves", line});
            EXPECT_EQ(refused.status, 2) << line;
            EXPECT_TRUE(refused.out.empty()) << refused.out;
            EXPECT_NE(refused.err.find("ply 1 \"" + line + "\""), std::string::npos) << refused.err;
            EXPECT_NE(refused.err.find(*why), std::string::npos) << refused.err;
        }

        const auto moves = town_hall_loss(program);
        const auto before = run({"--program", program, "--moves", joined(moves, moves.size() - 1)});
        ASSERT_EQ(before.status, 0) << before.err;
        EXPECT_EQ(before.out.find("game is over"), std::string::npos);
        const auto over = run({"--program", program, "--moves", joined(moves, moves.size())});
        ASSERT_EQ(over.status, 0) << over.err;
        EXPECT_TRUE(over.out.starts_with("The game is over: white has lost: 2 town halls left"))
            << over.out;
        const auto json =
            run({"--program", program, "--json", "--moves", joined(moves, moves.size())});
        EXPECT_EQ(nlohmann::json::parse(json.out)["game_over"],
                  "white has lost: 2 town halls left");
        // Nothing can be played once the game is over.
        const auto after =
            run({"--program", program, "--moves", joined(moves, moves.size()) + "S 7 4 M 7 5"});
        EXPECT_EQ(after.status, 2);
        EXPECT_NE(after.err.find("ply 12 \"S 7 4 M 7 5\": the game was already over"),
                  std::string::npos)
            << after.err;
    }

    // A record's own result is the end on its last ply, also for an ending
    // the position does not show (here a resignation).
    const auto path = std::filesystem::temp_directory_path() /
                      ("explain_finished_" + std::to_string(::getpid()) + ".txt");
    std::ofstream(path) << "[Rows \"8\"]\n[Columns \"8\"]\n[Result \"0-1\"]\n"
                           "[Termination \"black resigned\"]\n\nS 0 5 M 0 4 {1.2s}\n"
                           "S 1 2 M 1 3 {0.1s}\n0-1\n";
    const auto last = run({"--program", "gridplayer", "--record", path.string(), "--ply", "2"});
    EXPECT_TRUE(last.out.starts_with("The game is over: 0-1 {black resigned}")) << last.out;
    const auto earlier = run({"--program", "gridplayer", "--record", path.string(), "--ply", "1"});
    EXPECT_EQ(earlier.out.find("game is over"), std::string::npos) << earlier.out;
    std::filesystem::remove(path);

    // An option that means nothing for the program is refused, not ignored.
    const auto exact = run({"--program", "treeplayer", "--exact", "--moves", ""});
    EXPECT_EQ(exact.status, 2);
    EXPECT_NE(exact.err.find("--exact"), std::string::npos);
    EXPECT_EQ(run({"--program", "gridplayer", "--exact", "--depth", "1", "--moves", ""}).status, 0);
}

}  // namespace
