#include "cli/command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <exception>
#include <iostream>
#include <ostream>
#include <string>

namespace cli {

std::optional<int> parse(CLI::App& app, int argc, const char* const* argv, std::ostream& out,
                         std::ostream& err) {
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
        err << app.get_name() << ": " << what << " (--help for usage)\n";
        return 2;
    }
    return std::nullopt;
}

int run_main(const std::string& name, int argc, const char* const* argv, const Program& program) {
    try {
        return program(argc, argv, std::cout, std::cerr);
    } catch (const std::exception& e) {
        std::cerr << name << ": " << e.what() << '\n';
        return 2;
    }
}

}  // namespace cli
