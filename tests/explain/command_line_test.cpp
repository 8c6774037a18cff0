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

}  // namespace
