#include <iostream>

#include "gridplayer/gridplayer.h"

int main() {
    return runGame(std::cin, std::cout, std::cerr);
}
