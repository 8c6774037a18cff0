#include <iostream>

#include "tools/perft_gridplayer/perft.h"

int main(int argc, char** argv) {
    return perft_gridplayer::run(argc, argv, std::cout, std::cerr);
}
