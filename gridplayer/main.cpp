#include <iostream>

#include "gridplayer/gridplayer.h"

int main() {
    return gridplayer::runGame(std::cin, std::cout, std::cerr);
}
