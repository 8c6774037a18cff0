#include <iostream>

#include "referee/interrupt.h"
#include "referee/match.h"
#include "referee/player_group.h"

int main(int argc, char** argv) {
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
    referee::install_interrupt_handlers();
    // Orphans of the players come to us, not to init: the games find them
    // by their tag and reap them, and whatever is left ends with us.
    referee::become_subreaper();
    const int status = referee::run_match(std::get<referee::Options>(parsed), std::cout, std::cerr);
    referee::end_stray_children();
    return status;
}
