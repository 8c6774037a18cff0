// treeplayer: plays one game against the referee on standard input and
// output; the loop itself lives in game.cpp.
#include <iostream>

#include "treeplayer/game.h"

int main() {
    return treeplayer::run_game(std::cin, std::cout, std::cerr);
}
