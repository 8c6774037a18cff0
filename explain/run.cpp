#include "explain/run.h"

#include <CLI/CLI.hpp>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <sstream>
#include <utility>

#include "cli/bounded_file.h"
#include "cli/command_line.h"
#include "explain/grid_explain.h"
#include "explain/report.h"
#include "explain/tree_explain.h"

namespace explain {
namespace {

constexpr int kUsage = 2;
constexpr int kMismatch = 3;

struct Options {
    std::string program;
    int rows = 8;
    int columns = 8;
    std::optional<std::string> moves;
    std::optional<std::string> record;
    std::optional<int> ply;
    std::optional<int> depth;
    bool exact = false;
    bool json = false;
};

void add_options(CLI::App& app, Options& o) {
    app.add_option("--program", o.program, "the player to explain")
        ->required()
        ->check(CLI::IsMember({"treeplayer", "gridplayer"}));
    auto* rows = app.add_option("--rows", o.rows, "board rows (default 8)");
    auto* columns = app.add_option("--columns", o.columns, "board columns (default 8)");
    auto* moves = app.add_option("--moves", o.moves,
                                 "the moves from the start, e.g. \"S 0 5 M 0 4;S 1 2 M 1 3\"");
    auto* record = app.add_option("--record", o.record, "a game record written by the referee")
                       ->check(CLI::ExistingFile);
    auto* ply = app.add_option("--ply", o.ply, "explain the position after this many plies");
    app.add_option("--depth", o.depth, "gridplayer's search depth instead of its schedule")
        ->check(CLI::Range(1, 6));
    app.add_flag("--exact", o.exact,
                 "gridplayer only: also search every move with the full window");
    app.add_flag("--json", o.json, "print one JSON object");
    moves->excludes(record);
    record->needs(ply);
    ply->needs(record);
    record->excludes(rows)->excludes(columns);
    app.callback([moves, record] {
        if (moves->count() == 0 && record->count() == 0)
            throw CLI::RequiredError("--moves or --record");
    });
}

// The position, and a record's own result when the position is its last.
std::pair<Setup, std::string> read_setup(const Options& o) {
    if (o.moves)
        return {setup_from_moves(o.rows, o.columns, *o.moves), ""};
    auto read = cli::read_text_file(*o.record);
    if (const auto* problem = std::get_if<cli::TextProblem>(&read))
        throw InputError(cli::describe(*o.record, *problem));
    const std::string& text = std::get<std::string>(read);
    return {setup_from_record(text, *o.ply), record_end(text, *o.ply)};
}

// The explanation, and why the game is already over in its position, if it is.
std::pair<Explanation, std::optional<std::string>> explain_position(const Options& o) {
    const auto [setup, ended] = read_setup(o);
    if (o.program == "treeplayer") {
        if (o.depth)
            throw InputError("--depth applies to gridplayer only: treeplayer always looks one ply");
        if (o.exact) {
            throw InputError(
                "--exact applies to gridplayer only: treeplayer's one-ply values are exact");
        }
    }
    auto over = check_reachable(setup, o.program);
    // A record knows endings the position cannot show: a resignation, a
    // loss on time, a repetition.
    if (!ended.empty())
        over = ended;
    if (o.program == "treeplayer")
        return {explain_treeplayer(setup), over};
    return {explain_gridplayer(setup, GridOptions{o.depth, o.exact}), over};
}

std::string rendered(const Explanation& explanation, const std::optional<std::string>& over,
                     bool json) {
    if (json) {
        if (!over)
            return render_json(explanation);
        auto data = nlohmann::ordered_json::parse(render_json(explanation));
        data["game_over"] = *over;
        return data.dump() + "\n";
    }
    std::string text = render_text(explanation);
    if (!over)
        return text;
    return "The game is over: " + *over + ". A referee asks for no more moves; this is what " +
           explanation.program + " would answer all the same.\n\n" + text;
}

}  // namespace

int run(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CLI::App app{"Shows why treeplayer or gridplayer chooses its move in a position."};
    app.name("explain");
    Options options;
    add_options(app, options);
    if (const auto status = cli::parse(app, argc, argv, out, err))
        return *status;
    try {
        const auto [explanation, over] = explain_position(options);
        out << rendered(explanation, over, options.json);
        return 0;
    } catch (const InputError& e) {
        err << "explain: " << e.what() << '\n';
        return kUsage;
    } catch (const ChoiceMismatch& e) {
        err << "explain: internal disagreement: " << e.what() << '\n';
        return kMismatch;
    }
}

}  // namespace explain
