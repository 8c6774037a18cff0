#include "referee/cli/options.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "referee/cli/output_files.h"
#include "referee/match/paths.h"

namespace {

using referee::Options;
using referee::ParsedCommandLine;
using referee::UsageError;
using Words = std::vector<std::string>;

TEST(SplitCommand, SplitsLikeAShellWithoutRunningOne) {
    EXPECT_EQ(referee::split_command("build/bin/treeplayer"), Words{"build/bin/treeplayer"});
    EXPECT_EQ(referee::split_command("  fake  --mode   silent "),
              (Words{"fake", "--mode", "silent"}));
    EXPECT_EQ(referee::split_command("'/a dir/prog' 'x y'"), (Words{"/a dir/prog", "x y"}));
    EXPECT_EQ(referee::split_command(R"(p "a \"b\" c" d\ e '$HOME;|')"),
              (Words{"p", R"(a "b" c)", "d e", "$HOME;|"}));
    EXPECT_EQ(referee::split_command("p ''"), (Words{"p", ""}));
    EXPECT_EQ(referee::split_command("a'b'\"c\""), Words{"abc"});
    EXPECT_EQ(referee::split_command(""), Words{});
    EXPECT_FALSE(referee::split_command("p 'open"));
    EXPECT_FALSE(referee::split_command("p \"open"));
    EXPECT_EQ(referee::program_name({"build/bin/gridplayer", "-x"}), "gridplayer");
    EXPECT_EQ(referee::program_name({"gridplayer"}), "gridplayer");
    // A script is named for itself, not for its interpreter.
    EXPECT_EQ(referee::program_name({"python3", "-u", "bots/mine.py", "--fast"}), "mine.py");
    EXPECT_EQ(referee::program_name({"/usr/bin/env", "A=1", "python3.11", "bot.py"}), "bot.py");
    EXPECT_EQ(referee::program_name({"sh", "./run.sh"}), "run.sh");
    EXPECT_EQ(referee::program_name({"python3"}), "python3");
    EXPECT_EQ(referee::program_name({"./shell-bot", "x.py"}), "shell-bot");
}

ParsedCommandLine parse(const Words& args) {
    return referee::parse_command_line(args);
}

TEST(CommandLine, DefaultsAndEveryOption) {
    auto parsed = parse({"black", "white"});
    ASSERT_TRUE(std::holds_alternative<Options>(parsed));
    auto options = std::get<Options>(parsed);
    EXPECT_EQ(options.game.rows, 8);
    EXPECT_EQ(options.game.columns, 8);
    EXPECT_EQ(options.game.time_control.seconds, 150);
    EXPECT_EQ(options.game.ply_limit, 300);
    EXPECT_EQ(options.game.town_hall_limit, 2);
    EXPECT_EQ(options.game.margin.count(), 0);
    EXPECT_TRUE(options.game.repetition_draws);
    EXPECT_EQ(options.games, 1);
    EXPECT_FALSE(options.quiet);
    ASSERT_EQ(options.players.size(), 2U);
    EXPECT_EQ(options.players[0].argv, Words{"black"});
    EXPECT_EQ(options.players[0].name, "black");
    EXPECT_EQ(options.concurrency, 1);
    EXPECT_EQ(options.game.time_control.increment, 0);
    EXPECT_EQ(options.game.time_control.move_seconds, 0);
    EXPECT_EQ(options.error_cap, 1U << 20);
    EXPECT_EQ(options.confinement.memory_bytes, 0U);

    parsed = parse({"-r",
                    "10",
                    "--columns=10",
                    "-t",
                    "60+0.5",
                    "--move-time",
                    "2.5",
                    "--margin",
                    "25",
                    "-p",
                    "40",
                    "--town-halls",
                    "3",
                    "--no-repetition",
                    "-g",
                    "4",
                    "--record",
                    "r.txt",
                    "--log=l.txt",
                    "-q",
                    "--no-color",
                    "--name-white",
                    "Bo",
                    "--stderr-limit",
                    "8",
                    "--player-memory",
                    "64",
                    "--human-time",
                    "600",
                    "--delay",
                    "250",
                    "./b --x 1",
                    "w"});
    ASSERT_TRUE(std::holds_alternative<Options>(parsed));
    options = std::get<Options>(parsed);
    EXPECT_EQ(options.game.rows, 10);
    EXPECT_EQ(options.game.columns, 10);
    EXPECT_EQ(options.game.time_control.seconds, 60);
    EXPECT_EQ(options.game.time_control.increment, 0.5);
    EXPECT_EQ(options.game.time_control.move_seconds, 2.5);
    EXPECT_EQ(options.game.margin.count(), 25);
    EXPECT_EQ(options.game.ply_limit, 40);
    EXPECT_EQ(options.game.town_hall_limit, 3);
    EXPECT_FALSE(options.game.repetition_draws);
    EXPECT_EQ(options.games, 4);
    EXPECT_EQ(options.record_path, "r.txt");
    EXPECT_EQ(options.log_path, "l.txt");
    EXPECT_TRUE(options.quiet);
    EXPECT_TRUE(options.no_color);
    EXPECT_EQ(options.players[0].argv, (Words{"./b", "--x", "1"}));
    EXPECT_EQ(options.players[0].command, "./b --x 1");
    EXPECT_EQ(options.players[0].name, "b");
    EXPECT_EQ(options.players[1].name, "Bo");
    // What a split run's jobs repeat: the game options, not the run's own.
    EXPECT_EQ(options.game_options, (Words{"--rows",
                                           "10",
                                           "--columns",
                                           "10",
                                           "--time",
                                           "60+0.5",
                                           "--move-time",
                                           "2.5",
                                           "--human-time",
                                           "600",
                                           "--margin",
                                           "25",
                                           "--plies",
                                           "40",
                                           "--town-halls",
                                           "3",
                                           "--player-memory",
                                           "64",
                                           "--no-repetition",
                                           "--stderr-limit",
                                           "8",
                                           "--quiet",
                                           "--delay",
                                           "250",
                                           "--no-color"}));
    EXPECT_EQ(options.error_cap, 8U << 10);
    EXPECT_EQ(options.confinement.memory_bytes, 64U << 20);
    EXPECT_EQ(options.game.human_time_seconds, 600);
    // The pause is for watching the board, which quiet does not show.
    EXPECT_EQ(options.game.delay.count(), 0);
    parsed = parse({"--delay", "250", "human", "w"});
    ASSERT_TRUE(std::holds_alternative<Options>(parsed));
    EXPECT_EQ(std::get<Options>(parsed).game.delay.count(), 250);

    // After "--" a command may start with a dash.
    parsed = parse({"--", "-odd", "w"});
    ASSERT_TRUE(std::holds_alternative<Options>(parsed));
    EXPECT_EQ(std::get<Options>(parsed).players[0].argv, Words{"-odd"});
    EXPECT_TRUE(std::holds_alternative<referee::ShowHelp>(parse({"--help"})));
}

// Each option's role decides what a split run's jobs repeat (everything but
// the run's own) and what describes the run (only what changes play); each
// choice reads into its value.
TEST(CommandLine, RolesSplitTheOptionsAndChoicesReadIntoTheirValues) {
    const auto parsed =
        parse({"--sandbox", "off", "--rules", "squares", "--quiet", "--rows", "9", "--tournament",
               "gauntlet", "--games", "2", "--watch", "--results", "r.jsonl", "a", "b"});
    ASSERT_TRUE(std::holds_alternative<Options>(parsed));
    const auto& options = std::get<Options>(parsed);
    EXPECT_EQ(options.sandbox, referee::SandboxMode::Off);
    EXPECT_EQ(options.game.rules, rules::RuleSet::Squares);
    EXPECT_EQ(options.kind, referee::TournamentKind::Gauntlet);
    EXPECT_EQ(options.game_options, (Words{"--rows", "9", "--sandbox", "off", "--rules", "squares",
                                           "--quiet", "--watch"}));
    EXPECT_EQ(options.run_options, (Words{"--rows", "9", "--rules", "squares"}));
    // Every job of a split run writes its players' logs to the one folder,
    // wherever it runs; resuming a run without them plays the same games.
    const auto logged = parse({"--player-logs", "logs", "a", "b"});
    ASSERT_TRUE(std::holds_alternative<Options>(logged));
    EXPECT_EQ(std::get<Options>(logged).player_logs_dir, "logs");
    EXPECT_EQ(std::get<Options>(logged).game_options,
              (Words{"--player-logs", referee::absolute_path("logs")}));
    EXPECT_TRUE(std::get<Options>(logged).run_options.empty());
    for (const Words& bad :
         {Words{"--sandbox", "maybe", "a", "b"}, Words{"--rules", "Either", "a", "b"},
          Words{"--tournament", "", "a", "b"}})
        EXPECT_TRUE(std::holds_alternative<UsageError>(parse(bad))) << bad[0] << " " << bad[1];
}

TEST(CommandLine, NamesTournamentsAndSplitRuns) {
    auto parsed = parse({"--name", "A", "x", "y", "--name", "C", "z 'w v'", "--tournament",
                         "gauntlet", "--games", "3", "--only-game", "4"});
    ASSERT_TRUE(std::holds_alternative<Options>(parsed));
    auto options = std::get<Options>(parsed);
    ASSERT_EQ(options.players.size(), 3U);
    EXPECT_EQ(options.players[0].name, "A");
    EXPECT_EQ(options.players[1].name, "y");
    EXPECT_EQ(options.players[2].name, "C");
    EXPECT_EQ(options.players[2].argv, (Words{"z", "w v"}));
    EXPECT_EQ(options.kind, referee::TournamentKind::Gauntlet);
    EXPECT_EQ(options.only_games, (std::vector<int>{4}));
    // A job's games: a range or a list of both, in order and each once.
    for (const auto& [given, games] : {std::pair<std::string, std::vector<int>>{"3-5", {3, 4, 5}},
                                       {"6,1-2,2", {1, 2, 6}},
                                       {"4,4", {4}}}) {
        parsed = parse({"--only-game", given, "--games", "3", "x", "y", "z"});
        ASSERT_TRUE(std::holds_alternative<Options>(parsed))
            << given << ": " << std::get<UsageError>(parsed).message;
        EXPECT_EQ(std::get<Options>(parsed).only_games, games) << given;
    }
    // {game} names a one-game job's results file, {batch} a batch's.
    for (const Words& job : {Words{"--schedule", "--results", "r{game}.jsonl", "a", "b", "c"},
                             Words{"--only-game", "2", "--results", "r{game}.jsonl", "a", "b", "c"},
                             Words{"--schedule", "--batch", "2", "--results", "r{batch}.jsonl",
                                   "--record", "g{batch}.txt", "a", "b", "c"},
                             Words{"--batch", "2", "--only-game", "3-4", "--games", "2",
                                   "--results", "r{batch}.jsonl", "a", "b", "c"}}) {
        parsed = parse(job);
        EXPECT_TRUE(std::holds_alternative<Options>(parsed))
            << job[0] << " " << job[1] << ": " << std::get<UsageError>(parsed).message;
    }

    // The test's pairs as separate words or as one; the commands stay commands.
    for (const Words& sprt : {Words{"elo0=-1", "elo1=4", "alpha=0.05", "beta=0.1"},
                              Words{"elo0=-1 elo1=4 alpha=0.05 beta=0.1"}}) {
        Words args{"--sprt"};
        args.insert(args.end(), sprt.begin(), sprt.end());
        args.insert(args.end(), {"a", "b"});
        parsed = parse(args);
        ASSERT_TRUE(std::holds_alternative<Options>(parsed))
            << std::get<UsageError>(parsed).message;
        options = std::get<Options>(parsed);
        ASSERT_TRUE(options.sprt);
        EXPECT_EQ(options.sprt->elo0, -1);
        EXPECT_EQ(options.sprt->beta, 0.1);
        EXPECT_EQ(options.players.size(), 2U);
    }
    parsed = parse({"--merge", "r1.jsonl", "r2.jsonl", "--site", "out", "--crosstable", "c.csv"});
    ASSERT_TRUE(std::holds_alternative<Options>(parsed));
    EXPECT_EQ(std::get<Options>(parsed).merge_paths, (Words{"r1.jsonl", "r2.jsonl"}));
    EXPECT_EQ(std::get<Options>(parsed).site_dir, "out");
    EXPECT_EQ(std::get<Options>(parsed).crosstable_path, "c.csv");
}

TEST(CommandLine, RejectsWhatCannotMakeAGame) {
    const Words bad[] = {
        {},
        {"only-one"},
        {"--name-black", "x", "a", "b", "c"},  // --name is the way for more than two
        {"a", "--name", "late"},               // a name must come before its command
        {"--sprt", "elo0=0", "elo1=5", "a", "b"},
        {"--sprt", "elo0=0 elo1=5 alpha=0.05 beta=0.05", "a", "b", "c"},
        {"--tournament", "swiss", "a", "b", "c"},
        {"--schedule", "a", "b"},  // without --results
        {"--only-game", "2", "a", "b"},
        {"--only-game", "0", "a", "b", "c"},
        {"--only-game", "3-2", "a", "b", "c"},
        {"--only-game", "1,", "a", "b", "c"},
        {"--only-game", "1-4", "a", "b", "c"},  // three games in all
        {"--only-game", "x", "a", "b", "c"},
        {"--batch", "2", "a", "b", "c"},  // a batch of what?
        {"--schedule", "--batch", "0", "--results", "r", "a", "b", "c"},
        {"--schedule", "--results", "r{batch}", "a", "b", "c"},  // without --batch
        {"--schedule", "--batch", "2", "--results", "r{game}", "a", "b", "c"},
        {"--only-game", "1-2", "--results", "r{game}", "a", "b", "c"},
        {"--results", "r{game}", "a", "b", "c"},
        {"--concurrency", "0", "a", "b"},
        {"--concurrency", "2", "human", "b"},  // one keyboard, one game at a time
        {"--time", "150+", "a", "b"},
        {"--move-time", "0", "a", "b"},
        {"--merge"},
        {"--rows", "5", "a", "b"},  // no room for both armies
        {"--rows", "ten", "a", "b"},
        {"--columns", "101", "a", "b"},
        {"--time", "0", "a", "b"},
        {"--time", "1.5", "a", "b"},
        {"--plies", "-3", "a", "b"},
        {"--games", "0", "a", "b"},
        {"--rows"},
        {"--frobnicate", "a", "b"},
        {"--quiet=yes", "a", "b"},
        {"--record", "", "a", "b"},
        {"--record", "same.txt", "--log", "./same.txt", "a", "b"},
        {"--player-memory", "-1", "a", "b"},
        {"--player-cpus", "0", "a", "b"},
        {"--clock", "gpu", "a", "b"},
        {"'unterminated", "b"},
        {"   ", "b"},
        {"--columns", "4", "a", "b"},     // black would start with two town halls
        {"--town-halls", "4", "a", "b"},  // ... or at the limit of four
        {"--serve", "0"},                 // a page with nothing to offer
        {"--serve", "0", "human"},        // the page offers the person itself
        {"--serve", "65536", "a"},
        {"--player-logs", "", "a", "b"},
        // Each player's logs go into a folder named after it.
        {"--player-logs", "logs", "--name", "x/y", "a", "b"},
        {"--player-logs", "logs", "--name", "..", "a", "b"},
        {"--site", "", "a", "b"},
        {"--site", "out", "--only-game", "1", "a", "b"},  // the --merge publishes a split run
        {"--crosstable", "c.csv", "--schedule", "--results", "r.jsonl", "a", "b"},
        {"--merge", "r.jsonl", "--crosstable", "./r.jsonl"},  // would overwrite what it reads
    };
    for (const auto& args : bad) {
        std::string joined;
        for (const auto& a : args)
            joined += "[" + a + "]";
        const auto parsed = parse(args);
        EXPECT_TRUE(std::holds_alternative<UsageError>(parsed)) << joined;
    }
    EXPECT_TRUE(std::holds_alternative<Options>(parse({"--columns", "6", "a", "b"})));
    // A server offers one program or more, on 127.0.0.1 unless told otherwise.
    const auto served = parse({"--serve", "0", "--delay", "200", "a"});
    ASSERT_TRUE(std::holds_alternative<Options>(served));
    EXPECT_EQ(std::get<Options>(served).serve_port, 0);
    EXPECT_EQ(std::get<Options>(served).serve_address, "127.0.0.1");
    EXPECT_EQ(std::get<Options>(served).game.delay.count(), 200);
    EXPECT_EQ(std::get<Options>(parse({"a", "b"})).serve_port, -1);
}

// A field counts its submissions as players, after the commands; it
// builds before it plays, so it is neither split nor served.
TEST(CommandLine, AFieldOfSubmissions) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("options_field_" + std::to_string(::getpid()));
    for (const auto* name : {"alice", "bob", "notes"})
        std::filesystem::create_directories(dir / name);
    for (const auto* name : {"alice", "bob"}) {
        std::ofstream(dir / name / "run") << "#!/bin/sh\n";
        std::filesystem::permissions(dir / name / "run", std::filesystem::perms(0755));
    }
    const std::string field = dir.string();
    auto parsed = parse({"--field", field});
    ASSERT_TRUE(std::holds_alternative<Options>(parsed));
    EXPECT_EQ(std::get<Options>(parsed).field.dir, field);
    EXPECT_EQ(std::get<Options>(parsed).field.build_seconds, 600);
    EXPECT_TRUE(std::get<Options>(parsed).players.empty());
    parsed = parse({"--build-time", "5", "--field", field, "a"});
    ASSERT_TRUE(std::holds_alternative<Options>(parsed));
    EXPECT_EQ(std::get<Options>(parsed).field.build_seconds, 5);
    EXPECT_EQ(std::get<Options>(parsed).players.size(), 1U);
    const Words bad[] = {
        {"--field", field + "/alice"},  // a submission, not a field: no player
        {"--field", field + "/missing", "a", "b"},
        {"--field", field, "--schedule", "--results", "/tmp/r.jsonl"},
        {"--field", field, "--only-game", "1"},
        {"--field", field, "--serve", "0"},
        {"--field", field, "--results", field + "/r.jsonl"},  // the players would see it
        {"--field", field, "--player-logs", field + "/logs"},
        {"--field", field, "--site", field + "/site"},  // every player's games
        {"--field", field, "--build-time", "0"},
    };
    for (const auto& args : bad) {
        std::string joined;
        for (const auto& a : args)
            joined += "[" + a + "]";
        EXPECT_TRUE(std::holds_alternative<UsageError>(parse(args))) << joined;
    }
    std::filesystem::remove_all(dir);
}

TEST(CommandLine, CheckTakesOneBotAndShortClocksUnlessTold) {
    const auto checked = parse({"--check", "python3 bot.py"});
    ASSERT_TRUE(std::holds_alternative<Options>(checked));
    EXPECT_TRUE(std::get<Options>(checked).check);
    EXPECT_EQ(std::get<Options>(checked).players.at(0).argv, (Words{"python3", "bot.py"}));
    EXPECT_EQ(std::get<Options>(checked).game.time_control.seconds, 10);
    const auto told = parse({"--check", "--time", "30", "--rows", "9", "bot"});
    ASSERT_TRUE(std::holds_alternative<Options>(told));
    EXPECT_EQ(std::get<Options>(told).game.time_control.seconds, 30);
    EXPECT_EQ(std::get<Options>(told).game.rows, 9);
    EXPECT_FALSE(std::get<Options>(parse({"a", "b"})).check);
    // One bot, and nothing about a run of games it would ignore.
    for (const Words& bad :
         {Words{"--check"}, Words{"--check", "a", "b"}, Words{"--check", "human"},
          Words{"--check", "--log", "g.log", "a"}, Words{"--check", "--games", "4", "a"},
          Words{"--check", "--merge", "r.jsonl"}, Words{"--check", "--field", "/tmp", "a"}})
        EXPECT_TRUE(std::holds_alternative<UsageError>(parse(bad))) << bad.at(1);
}

TEST(Options, PlayersCpuClockAndFreezingAreChosen) {
    const auto plain = std::get<Options>(parse({"a", "b"}));
    EXPECT_EQ(plain.confinement.cpus, 1.0);
    EXPECT_EQ(plain.game.clock, referee::ClockKind::Wall);
    EXPECT_TRUE(plain.game.freeze_waiting);
    const auto parsed = parse({"--player-cpus", "2.5", "--clock", "cpu", "--ponder", "a", "b"});
    ASSERT_TRUE(std::holds_alternative<Options>(parsed));
    const auto& options = std::get<Options>(parsed);
    EXPECT_EQ(options.confinement.cpus, 2.5);
    EXPECT_EQ(options.game.cpus, 2.5);
    EXPECT_EQ(options.game.clock, referee::ClockKind::Cpu);
    EXPECT_FALSE(options.game.freeze_waiting);
    // A split run's jobs play by the same bounds and clock.
    EXPECT_EQ(options.game_options, (Words{"--player-cpus", "2.5", "--ponder", "--clock", "cpu"}));
}

// Each row of the table of outputs, from one loop: refused inside what a
// player sees and inside a field, refused with --check, and, when each job
// writes its own, given to every job with its path made absolute.
TEST(Options, EveryOutputKeepsTheRulesOfItsRow) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("options_outputs_" + std::to_string(::getpid()));
    for (const auto* name : {"seen", "field/alice", "field/bob"})
        std::filesystem::create_directories(dir / name);
    for (const auto* name : {"alice", "bob"}) {
        std::ofstream(dir / "field" / name / "run") << "#!/bin/sh\n";
        std::filesystem::permissions(dir / "field" / name / "run", std::filesystem::perms(0755));
    }
    const std::string seen = (dir / "seen").string();
    const std::string field = (dir / "field").string();
    const auto refusal = [](const Words& args) {
        const auto parsed = parse(args);
        return std::holds_alternative<UsageError>(parsed) ? std::get<UsageError>(parsed).message
                                                          : std::string("accepted");
    };
    for (const referee::OutputOption& output : referee::kOutputFiles) {
        const std::string option = output.option;
        SCOPED_TRACE(option);
        const std::string inside = refusal({"--player-dir", seen, option, seen + "/x", "a", "b"});
        EXPECT_TRUE(inside.starts_with(option + " ")) << inside;
        EXPECT_NE(inside.find("which players see"), std::string::npos) << inside;
        const std::string in_field = refusal({"--field", field, option, field + "/x"});
        EXPECT_EQ(in_field.find(option + " "), 0U) << in_field;
        EXPECT_NE(in_field.find("lies in the field"), std::string::npos) << in_field;
        EXPECT_EQ(refusal({"--check", option, "x", "a"}),
                  "--check plays two games of its own and writes no files: no " + option);
        const auto job = parse({"--schedule", "--results", "r.jsonl", option, "x{game}", "a", "b"});
        const bool own = output.job == referee::InJob::Own;
        ASSERT_EQ(std::holds_alternative<Options>(job),
                  own || output.job == referee::InJob::Repeated)
            << refusal({"--schedule", "--results", "r.jsonl", option, "x{game}", "a", "b"});
        if (own) {
            EXPECT_EQ(std::get<Options>(job).job_files,
                      (Words{option, referee::absolute_path("x{game}")}));
        }
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
