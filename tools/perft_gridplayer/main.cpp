// perft_gridplayer [--rows R --columns C] [--position FILE] DEPTH
// gridplayer's move-generation counts; the command line is the one every
// perft tool shares (tools/perft_common/perft_command.h).
#include <iostream>

#include "tools/perft_gridplayer/perft.h"

int main(int argc, char** argv) {
    return perft_gridplayer::run(argc, argv, std::cout, std::cerr);
}
