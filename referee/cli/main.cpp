#include <iostream>

#include "referee/check/check.h"
#include "referee/cli/options.h"
#include "referee/common/interrupt.h"
#include "referee/field/field.h"
#include "referee/formats/pairings.h"
#include "referee/match/match.h"
#include "referee/match/paths.h"
#include "referee/match/tournament.h"
#include "referee/process/player_group.h"
#include "referee/process/reaper.h"
#include "referee/seats/seating.h"
#include "referee/site/publish.h"
#include "referee/web/server.h"

namespace {

// How a scheduled job starts this referee: by the same name when it was
// found in PATH, by its absolute path otherwise, so jobs may run in any
// directory.
std::string self(const char* argv0) {
    const std::string given = argv0;
    return given.find('/') == std::string::npos ? given : referee::absolute_path(given);
}

// --serve: the board in the browser, offering the commands by the names a
// match would show.
int serve(const referee::Options& options) {
    referee::web::ServeSettings settings;
    settings.address = options.serve_address;
    settings.port = options.serve_port;
    settings.config = options.game;
    settings.seating.confinement = options.confinement;
    std::vector<std::string> names;
    std::vector<std::vector<std::string>> commands;
    for (const auto& player : options.players) {
        names.push_back(player.name);
        commands.push_back(player.argv);
    }
    if (!referee::settle_sandbox(options.sandbox, options.game, settings.seating.confinement,
                                 commands, std::cerr))
        return referee::kStartFailed;
    names = referee::distinct_names(names);
    for (std::size_t i = 0; i < names.size(); ++i)
        settings.programs.push_back({names[i], options.players[i].argv});
    return referee::web::serve(settings, std::cout, std::cerr);
}

int run(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const auto parsed = referee::parse_command_line(args);
    if (std::holds_alternative<referee::ShowHelp>(parsed)) {
        std::cout << referee::help_text();
        return referee::kPlayed;
    }
    if (const auto* error = std::get_if<referee::UsageError>(&parsed)) {
        std::cerr << "referee: " << error->message << "\nTry 'referee --help'.\n";
        return referee::kUsage;
    }
    auto options = std::get<referee::Options>(parsed);
    options.publish = referee::site::publisher(options.site_dir, options.crosstable_path);
    if (!options.merge_paths.empty())
        return referee::run_merge(options.merge_paths, options.sprt, std::cout, std::cerr,
                                  options.results_path, options.publish);
    if (options.schedule)
        return referee::print_schedule(options, self(argv[0]), std::cout, std::cerr);
    referee::install_interrupt_handlers();
    // Orphans of the players come to us, not to init: the games end them,
    // and whatever is left ends with us...
    referee::become_subreaper();
    // ...and are reaped as soon as they exit, whatever game they came from.
    referee::start_orphan_reaper();
    const int status = options.serve_port >= 0 ? serve(options)
                       : options.check         ? referee::run_check(options, std::cout, std::cerr)
                       : options.field.dir.empty()
                           ? referee::run_match(options, std::cout, std::cerr)
                           : referee::run_field(options, options.field, std::cout, std::cerr);
    referee::stop_orphan_reaper();
    referee::end_stray_children();
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    // Only the referee's own failures get here (no memory, no threads): the
    // games under way have ended their players while unwinding.
    try {
        return run(argc, argv);
    } catch (const std::exception& error) {
        std::cerr << "referee: " << error.what() << '\n';
        referee::stop_orphan_reaper();
        referee::end_stray_children();
        return referee::kWriteFailed;
    }
}
