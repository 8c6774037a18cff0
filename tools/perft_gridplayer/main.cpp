// perft_gridplayer [--rows R --columns C] [--position FILE] DEPTH
// gridplayer's move-generation counts; the command line is the one every
// perft tool shares (perft/command.h).
#include <ostream>

#include "cli/command_line.h"
#include "perft/gridplayer.h"

int main(int argc, char** argv) {
    return cli::run_main(
        "perft_gridplayer", argc, argv,
        [](int words, const char* const* args, std::ostream& out, std::ostream& err) {
            return perft_command::run(perft_gridplayer::perftTool(), words, args, out, err);
        });
}
