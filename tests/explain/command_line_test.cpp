// explain's command line: help, the usage errors, a referee record read the
// same as the move list it holds, and the JSON and text reports.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "explain/run.h"
#include "games.h"

namespace {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome run(std::vector<std::string> words) {
    words.insert(words.begin(), "explain");
    std::vector<const char*> argv;
    for (const auto& w : words)
        argv.push_back(w.c_str());
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

// A record as the referee writes it, for the moves of `setup`.
std::string record_of(const explain::Setup& setup) {
    std::string text = "[Event \"test\"]\n[Rows \"" + std::to_string(setup.rows) +
                       "\"]\n[Columns \"" + std::to_string(setup.columns) +
                       "\"]\n[Result \"*\"]\n\n";
    for (const auto& move : setup.moves)
        text += protocol::format_move(move) + " {0.004s}\n";
    return text + "*\n\n";
}

TEST(ExplainCommandLine, RecordPlyGivesTheSameReportAsTheMoveList) {
    for (const auto& [program, rows, columns] :
         {std::tuple{"treeplayer", 8, 8}, std::tuple{"gridplayer", 10, 9}}) {
        std::mt19937 rng(7);
        explain::Setup setup{rows, columns, {}};
        for (int ply = 0; ply < 12; ++ply)
            ASSERT_TRUE(explain_test::play_random(program, setup, rng));
        const auto path = std::filesystem::temp_directory_path() /
                          ("explain_record_" + std::to_string(::getpid()) + ".txt");
        std::ofstream(path) << record_of(setup);
        for (int ply : {0, 5, 12}) {
            std::string moves;
            for (int k = 0; k < ply; ++k)
                moves += protocol::format_move(setup.moves[k]) + ";";
            const auto listed =
                run({"--program", program, "--rows", std::to_string(rows), "--columns",
                     std::to_string(columns), "--moves", moves, "--json"});
            const auto recorded = run({"--program", program, "--record", path.string(), "--ply",
                                       std::to_string(ply), "--json"});
            EXPECT_EQ(listed.status, 0) << listed.err;
            EXPECT_EQ(recorded.out, listed.out) << program << " ply " << ply;
        }
        EXPECT_EQ(run({"--program", program, "--record", path.string(), "--ply", "13"}).status, 2);
        std::filesystem::remove(path);
    }
}

TEST(ExplainCommandLine, JsonAndTextNameTheSameChosenMove) {
    const std::string moves =
        "S 0 5 M 0 4;S 1 2 M 1 3;S 2 5 M 2 4;S 3 2 M 3 3;S 4 5 M 4 4;"
        "S 5 2 M 5 3";
    for (const char* program : {"treeplayer", "gridplayer"}) {
        const auto json = run({"--program", program, "--moves", moves, "--json"});
        ASSERT_EQ(json.status, 0) << json.err;
        const auto report = nlohmann::json::parse(json.out);
        EXPECT_EQ(report["program"], program);
        EXPECT_EQ(report["side"], "black");
        EXPECT_EQ(report["depth"], std::string(program) == "gridplayer" ? 4 : 1);
        const std::string chosen = report["chosen"];
        int marked = 0;
        for (const auto& move : report["moves"]) {
            EXPECT_TRUE(move["value"].is_number_integer());
            EXPECT_TRUE(move["nodes"].is_number_integer());
            const std::string bound = move["bound"];
            EXPECT_TRUE(bound == "exact" || bound == "lower" || bound == "upper") << bound;
            marked += move["move"] == chosen;
        }
        EXPECT_EQ(marked, 1);

        const auto text = run({"--program", program, "--moves", moves});
        const auto at = text.out.find("<- chosen");
        ASSERT_NE(at, std::string::npos);
        EXPECT_NE(text.out.rfind(chosen, at), std::string::npos);
        EXPECT_EQ(text.out.find("<- chosen", at + 1), std::string::npos);
    }
}

}  // namespace
