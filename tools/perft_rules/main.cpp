// perft_rules --rules treeplayer|gridplayer [--rows R --columns C]
//             [--position FILE] DEPTH
// The rules library's move-generation counts under one player's reading; the
// command line is the one every perft tool shares (perft/command.h).
#include <ostream>

#include "cli/command_line.h"
#include "perft/rules.h"

int main(int argc, char** argv) {
    return cli::run_main(
        "perft_rules", argc, argv,
        [](int words, const char* const* args, std::ostream& out, std::ostream& err) {
            return perft_command::run(perft_rules::perft_tool(), words, args, out, err);
        });
}
