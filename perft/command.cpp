#include "perft/command.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <fstream>
#include <iomanip>
#include <optional>
#include <ostream>

#include "cli/command_line.h"

namespace perft_command {

namespace {

struct Arguments {
    std::string choice;
    int rows = 8;
    int columns = 8;
    std::string position;
    int depth = 0;
};

std::string range(int low, int high) {
    return low == high ? std::to_string(low) : std::to_string(low) + ".." + std::to_string(high);
}

// The reason arguments that parsed are still unusable; empty when usable.
std::string check(const Tool& tool, const Arguments& args) {
    if (args.rows < tool.min_rows || args.rows > tool.max_rows || args.columns < tool.min_columns ||
        args.columns > tool.max_columns) {
        const std::string size = std::to_string(args.rows) + "x" + std::to_string(args.columns);
        if (tool.min_rows == tool.max_rows && tool.min_columns == tool.max_columns) {
            return tool.player + " plays " + std::to_string(tool.min_rows) + "x" +
                   std::to_string(tool.min_columns) + " only, not " + size;
        }
        return tool.player + " plays " + range(tool.min_rows, tool.max_rows) + " rows and " +
               range(tool.min_columns, tool.max_columns) + " columns, not " + size;
    }
    if (tool.refuse) {
        if (std::string why = tool.refuse(args.choice, args.rows, args.columns); !why.empty())
            return why;
    }
    if (args.depth < 0 || args.depth > kMaxDepth) {
        return "DEPTH must be in 0.." + std::to_string(kMaxDepth) + ", not " +
               std::to_string(args.depth);
    }
    return {};
}

std::optional<positions::Position> load(const Tool& tool, const Arguments& args, std::string& why) {
    if (args.position.empty()) {
        return tool.start(args.rows, args.columns);
    }
    std::ifstream in(args.position);
    if (!in) {
        why = "cannot open " + args.position;
        return std::nullopt;
    }
    auto position = positions::read_single_position(in, args.rows, args.columns, &why);
    if (!position) {
        why = args.position + ": " + why;
    }
    return position;
}

void report_time(const Tool& tool, std::uint64_t total, std::chrono::duration<double> elapsed,
                 std::ostream& err) {
    const double seconds = elapsed.count();
    err << tool.name << ": " << total << " nodes in " << std::fixed << std::setprecision(3)
        << seconds << " s";
    if (seconds > 0) {
        err << ", " << std::setprecision(0) << static_cast<double>(total) / seconds << " nodes/s";
    }
    err << '\n';
}

}  // namespace

int run(const Tool& tool, int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CLI::App app{!tool.description.empty()
                     ? tool.description
                     : "Counts the positions " + tool.player +
                           "'s own move generator reaches in DEPTH plies, the sides "
                           "alternating, split by root move.",
                 tool.name};
    Arguments args;
    if (!tool.choice_option.empty()) {
        app.add_option(tool.choice_option, args.choice, tool.choice_help)
            ->required()
            ->check(CLI::IsMember(tool.choices))
            ->option_text("NAME");
    }
    auto* rows = app.add_option(
        "--rows", args.rows, "board rows, " + range(tool.min_rows, tool.max_rows) + " (default 8)");
    auto* columns = app.add_option(
        "--columns", args.columns,
        "board columns, " + range(tool.min_columns, tool.max_columns) + " (default 8)");
    rows->needs(columns)->option_text("R");
    columns->needs(rows)->option_text("C");
    app.add_option("--position", args.position,
                   "position file: the side to move (black or white), then one line of "
                   "letters per row (. w W b B); default: the start, black to move")
        ->option_text("FILE");
    app.add_option("DEPTH", args.depth, "plies to count, 0.." + std::to_string(kMaxDepth))
        ->required();
    app.footer(
        "Prints one line per root move, \"S 0 5 M 0 4: N\", then \"total: N\"; the time taken "
        "and nodes per second go to standard error. Exit status 0, or 2 on bad arguments or "
        "an unreadable position file." +
        (tool.footer.empty() ? std::string() : "\n\n" + tool.footer));
    if (const auto status = cli::parse(app, argc, argv, out, err))
        return *status;
    std::string why = check(tool, args);
    const auto position = why.empty() ? load(tool, args, why) : std::nullopt;
    if (!position) {
        err << tool.name << ": " << why << '\n';
        return 2;
    }

    const auto start = std::chrono::steady_clock::now();
    std::uint64_t total = 1;
    if (args.depth > 0) {
        total = 0;
        for (const DivideLine& line : tool.divide(*position, args.depth, args.choice)) {
            out << line.move << ": " << line.count << '\n';
            total += line.count;
        }
    }
    out << "total: " << total << '\n';
    report_time(tool, total, std::chrono::steady_clock::now() - start, err);
    return 0;
}

}  // namespace perft_command
