#include "replay/options.h"

#include <CLI/CLI.hpp>

#include "cli/command_line.h"

namespace replay {

std::variant<Options, int> parse_command_line(int argc, const char* const* argv, std::ostream& out,
                                              std::ostream& err) {
    Options options;
    int ply = 0;
    CLI::App app(
        "Shows a game from a referee record or results file: every position in the terminal, or "
        "one "
        "with --ply; --html writes a page to step through the game, --svg a picture "
        "of one position.",
        "replay");
    app.add_option("RECORD", options.record_path,
                   "record file written by referee --record, or results file written by "
                   "referee --results (JSON lines)")
        ->required()
        ->type_name("FILE");
    app.add_option("--game", options.game,
                   "which game of a match record (default 1); the page holds them all, with an "
                   "index. In a results file: the game numbered K in its run")
        ->type_name("K")
        ->check(CLI::PositiveNumber);
    app.add_option("--ply", ply,
                   "the position after N plies; with --html the page opens there, "
                   "--svg draws the last position without it")
        ->type_name("N")
        ->check(CLI::NonNegativeNumber);
    app.add_option("--html", options.html_path,
                   "write the game as one self-contained page; to a folder (one that exists, or "
                   "a name ending in /): every game's page and an index")
        ->type_name("FILE|DIR");
    app.add_option("--svg", options.svg_path,
                   "write one position as an SVG picture, captioned with the players, the ply "
                   "and the move")
        ->type_name("FILE");
    app.add_flag("--no-color", options.no_color, "no colours in the terminal");
    app.footer(
        "Exit status: 0 when shown or written, 1 when an output file could not be written,\n"
        "2 for a usage error or a record that cannot be read or replayed.");
    if (const auto status = cli::parse(app, argc, argv, out, err))
        return *status;
    if (app.count("--ply") > 0)
        options.ply = ply;
    return options;
}

}  // namespace replay
