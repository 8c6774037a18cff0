#include "tools/perft_rules/command.h"

#include <CLI/CLI.hpp>
#include <chrono>
#include <fstream>
#include <iomanip>
#include <ostream>
#include <string>

#include "protocol/move_line.h"
#include "rules/reading.h"
#include "tools/perft_rules/perft.h"
#include "tools/perft_rules/position.h"

namespace perft_rules {

namespace {

struct Options {
    std::string rules;
    int rows = 8;
    int columns = 8;
    std::string position;
    int depth = 0;
};

int usage_error(std::ostream& err, std::string text) {
    for (char& c : text) {
        if (c == '\n')
            c = ' ';
    }
    err << "perft_rules: " << text << '\n';
    return 2;
}

void report_time(std::ostream& err, std::uint64_t total,
                 std::chrono::steady_clock::duration elapsed) {
    const double seconds = std::chrono::duration<double>(elapsed).count();
    err << "perft_rules: " << total << " positions in " << std::fixed << std::setprecision(3)
        << seconds << " s";
    if (seconds > 0)
        err << ", " << std::setprecision(1) << static_cast<double>(total) / seconds / 1e6
            << " M positions/s";
    err << '\n';
}

}  // namespace

int run(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CLI::App app{
        "Counts the positions that one player's reading of the rules reaches in DEPTH "
        "plies (perft), from the start with black to move or from a position file.",
        "perft_rules"};
    Options options;
    app.add_option("--rules", options.rules, "whose reading: treeplayer (8x8 only) or gridplayer")
        ->required()
        ->check(CLI::IsMember({"treeplayer", "gridplayer"}));
    app.add_option("--rows", options.rows, "board rows, 6..100")->check(CLI::Range(6, 100));
    app.add_option("--columns", options.columns, "board columns, 1..100")
        ->check(CLI::Range(1, 100));
    app.add_option("--position", options.position,
                   "start from this position: a line \"black\" or \"white\" (the side to move), "
                   "then one line per row, row 0 first, of . w W b B");
    app.add_option("DEPTH", options.depth, "plies to count, 0..12")
        ->required()
        ->check(CLI::Range(0, 12));
    app.footer(std::string("Prints \"<move line>: <count>\" per first move in the reading's "
                           "order, then \"total: N\". Exit status 0, or 2 on bad arguments.\n\n") +
               std::string(rules::reading_differences()));
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return 0;
    } catch (const CLI::ParseError& error) {
        return usage_error(err, error.what());
    }

    const rules::Reading reading = *rules::parse_reading(options.rules);
    if (!rules::applies(reading, options.rows, options.columns))
        return usage_error(err, options.rules + "'s rules apply on 8x8 boards only");
    Position start{rules::Board::starting(options.rows, options.columns), rules::Side::Black};
    if (!options.position.empty()) {
        std::ifstream file(options.position);
        if (!file)
            return usage_error(err, "cannot open " + options.position);
        std::string why;
        auto read = read_position(file, options.rows, options.columns, &why);
        if (!read)
            return usage_error(err, options.position + ": " + why);
        start = *read;
    }

    const auto began = std::chrono::steady_clock::now();
    std::uint64_t total = options.depth == 0 ? 1 : 0;
    for (const DivideLine& line : divide(start.board, start.to_move, reading, options.depth)) {
        out << protocol::format_move(line.move) << ": " << line.count << '\n';
        total += line.count;
    }
    out << "total: " << total << '\n';
    report_time(err, total, std::chrono::steady_clock::now() - began);
    return 0;
}

}  // namespace perft_rules
