#include "referee/options.h"

#include <gtest/gtest.h>

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
    EXPECT_EQ(options.game.time_seconds, 150);
    EXPECT_EQ(options.game.ply_limit, 300);
    EXPECT_EQ(options.game.town_hall_limit, 2);
    EXPECT_EQ(options.game.margin.count(), 0);
    EXPECT_TRUE(options.game.repetition_draws);
    EXPECT_EQ(options.games, 1);
    EXPECT_FALSE(options.quiet);
    EXPECT_EQ(options.black, Words{"black"});
    EXPECT_EQ(options.black_name, "black");
    EXPECT_EQ(options.error_cap, 1U << 20);
    EXPECT_EQ(options.game.player_memory_bytes, 0U);

    parsed = parse({"-r",
                    "10",
                    "--columns=10",
                    "-t",
                    "60",
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
    EXPECT_EQ(options.game.time_seconds, 60);
    EXPECT_EQ(options.game.margin.count(), 25);
    EXPECT_EQ(options.game.ply_limit, 40);
    EXPECT_EQ(options.game.town_hall_limit, 3);
    EXPECT_FALSE(options.game.repetition_draws);
    EXPECT_EQ(options.games, 4);
    EXPECT_EQ(options.record_path, "r.txt");
    EXPECT_EQ(options.log_path, "l.txt");
    EXPECT_TRUE(options.quiet);
    EXPECT_TRUE(options.no_color);
    EXPECT_EQ(options.black, (Words{"./b", "--x", "1"}));
    EXPECT_EQ(options.black_name, "b");
    EXPECT_EQ(options.white_name, "Bo");
    EXPECT_EQ(options.error_cap, 8U << 10);
    EXPECT_EQ(options.game.player_memory_bytes, 64U << 20);
    EXPECT_EQ(options.game.human_time_seconds, 600);
    // The pause is for watching the board, which quiet does not show.
    EXPECT_EQ(options.game.delay.count(), 0);
    parsed = parse({"--delay", "250", "human", "w"});
    ASSERT_TRUE(std::holds_alternative<Options>(parsed));
    EXPECT_EQ(std::get<Options>(parsed).game.delay.count(), 250);

    // After "--" a command may start with a dash.
    parsed = parse({"--", "-odd", "w"});
    ASSERT_TRUE(std::holds_alternative<Options>(parsed));
    EXPECT_EQ(std::get<Options>(parsed).black, Words{"-odd"});
    EXPECT_TRUE(std::holds_alternative<referee::ShowHelp>(parse({"--help"})));
}

TEST(CommandLine, RejectsWhatCannotMakeAGame) {
    const Words bad[] = {
        {},
        {"only-one"},
        {"a", "b", "c"},
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
        {"'unterminated", "b"},
        {"   ", "b"},
        {"--columns", "4", "a", "b"},     // black would start with two town halls
        {"--town-halls", "4", "a", "b"},  // ... or at the limit of four
    };
    for (const auto& args : bad) {
        std::string joined;
        for (const auto& a : args)
            joined += "[" + a + "]";
        const auto parsed = parse(args);
        EXPECT_TRUE(std::holds_alternative<UsageError>(parsed)) << joined;
    }
    EXPECT_TRUE(std::holds_alternative<Options>(parse({"--columns", "6", "a", "b"})));
}

}  // namespace
