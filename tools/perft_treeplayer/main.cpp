// perft_treeplayer [--rows 8 --columns 8] [--position FILE] DEPTH
// treeplayer's move-generation counts; the command line is the one every
// perft tool shares (tools/perft_common/perft_command.h).
#include <iostream>

#include "perft.h"

int main(int argc, char** argv) {
    return perft_command::run(perft_tp::perft_tool(), argc, argv, std::cout, std::cerr);
}
