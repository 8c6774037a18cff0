#include "tools/perft_rules/command.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <fstream>
#include <iomanip>
#include <optional>
#include <ostream>
#include <string>

#include "protocol/move_line.h"
#include "rules/reading.h"
#include "tools/perft_common/perft_command.h"
#include "tools/perft_rules/perft.h"
#include "tools/perft_rules/position.h"

namespace perft_rules {

namespace {

// The referee's limits: the rules are stated for any board it accepts.
constexpr int kMinRows = 6;
constexpr int kMaxRows = 100;
constexpr int kMinColumns = 1;
constexpr int kMaxColumns = 100;

struct Arguments {
    std::string rules;
    int rows = 8;
    int columns = 8;
    std::string position;
    int depth = 0;
};

// The reason arguments that parsed are still unusable; empty when usable.
std::string check(rules::Reading reading, const Arguments& args) {
    const std::string size = std::to_string(args.rows) + "x" + std::to_string(args.columns);
    if (!rules::applies(reading, args.rows, args.columns))
        return args.rules + "'s rules apply on 8x8 only, not " + size;
    if (args.rows < kMinRows || args.rows > kMaxRows || args.columns < kMinColumns ||
        args.columns > kMaxColumns) {
        return "boards have " + std::to_string(kMinRows) + ".." + std::to_string(kMaxRows) +
               " rows and " + std::to_string(kMinColumns) + ".." + std::to_string(kMaxColumns) +
               " columns, not " + size;
    }
    if (args.depth < 0 || args.depth > perft_command::kMaxDepth) {
        return "DEPTH must be in 0.." + std::to_string(perft_command::kMaxDepth) + ", not " +
               std::to_string(args.depth);
    }
    return {};
}

std::optional<Position> load(const Arguments& args, std::string& why) {
    if (args.position.empty())
        return Position{rules::Board::starting(args.rows, args.columns), rules::Side::Black};
    std::ifstream in(args.position);
    if (!in) {
        why = "cannot open " + args.position;
        return std::nullopt;
    }
    const auto letters = position_file::read_single_position(in, args.rows, args.columns, &why);
    if (!letters) {
        why = args.position + ": " + why;
        return std::nullopt;
    }
    return from_letters(*letters);
}

void report_time(std::uint64_t total, std::chrono::duration<double> elapsed, std::ostream& err) {
    const double seconds = elapsed.count();
    err << "perft_rules: " << total << " nodes in " << std::fixed << std::setprecision(3) << seconds
        << " s";
    if (seconds > 0)
        err << ", " << std::setprecision(0) << static_cast<double>(total) / seconds << " nodes/s";
    err << '\n';
}

}  // namespace

int run(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CLI::App app{
        "Counts the positions that the rules library's reading of one player's rules "
        "reaches in DEPTH plies, the sides alternating, split by first move.",
        "perft_rules"};
    Arguments args;
    app.add_option("--rules", args.rules, "whose reading: treeplayer (8x8 only) or gridplayer")
        ->required()
        ->check(CLI::IsMember({"treeplayer", "gridplayer"}))
        ->option_text("NAME");
    auto* rows = app.add_option("--rows", args.rows, "board rows, 6..100 (default 8)");
    auto* columns = app.add_option("--columns", args.columns, "board columns, 1..100 (default 8)");
    rows->needs(columns)->option_text("R");
    columns->needs(rows)->option_text("C");
    app.add_option("--position", args.position,
                   "position file: the side to move (black or white), then one line of "
                   "letters per row (. w W b B); default: the start, black to move")
        ->option_text("FILE");
    app.add_option("DEPTH", args.depth,
                   "plies to count, 0.." + std::to_string(perft_command::kMaxDepth))
        ->required();
    app.footer(std::string("Prints one line per first move, \"S 0 5 M 0 4: N\", in the order "
                           "the player itself lists its moves, then \"total: N\"; the time "
                           "taken and nodes per second go to standard error. Exit status 0, "
                           "or 2 on bad arguments or an unreadable position file.\n\n") +
               std::string(rules::reading_differences()));
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) {  // --help
            const std::string help = app.help();
            out << help << (help.ends_with('\n') ? "" : "\n");
            return 0;
        }
        std::string what = e.what();
        std::replace(what.begin(), what.end(), '\n', ' ');
        err << "perft_rules: " << what << " (--help for usage)\n";
        return 2;
    }
    const rules::Reading reading = *rules::parse_reading(args.rules);
    std::string why = check(reading, args);
    const auto start = why.empty() ? load(args, why) : std::nullopt;
    if (!start) {
        err << "perft_rules: " << why << '\n';
        return 2;
    }

    const auto began = std::chrono::steady_clock::now();
    std::uint64_t total = args.depth == 0 ? 1 : 0;
    for (const DivideLine& line : divide(start->board, start->to_move, reading, args.depth)) {
        out << protocol::format_move(line.move) << ": " << line.count << '\n';
        total += line.count;
    }
    out << "total: " << total << '\n';
    report_time(total, std::chrono::steady_clock::now() - began, err);
    return 0;
}

}  // namespace perft_rules
