// perft_treeplayer [--rows 8 --columns 8] [--position FILE] DEPTH
// treeplayer's move-generation counts; the command line is the one every
// perft tool shares (perft/command.h).
#include <ostream>

#include "cli/command_line.h"
#include "perft/treeplayer.h"

int main(int argc, char** argv) {
    return cli::run_main(
        "perft_treeplayer", argc, argv,
        [](int words, const char* const* args, std::ostream& out, std::ostream& err) {
            return perft_command::run(perft_tp::perft_tool(), words, args, out, err);
        });
}
