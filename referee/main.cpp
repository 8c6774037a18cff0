#include <iostream>

#include "referee/match.h"

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
    return referee::run_match(std::get<referee::Options>(parsed), std::cout, std::cerr);
}
