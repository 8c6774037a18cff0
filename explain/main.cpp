// explain: shows why treeplayer or gridplayer chooses its move; run.cpp holds
// the work so the tests can call it.
#include <iostream>

#include "explain/run.h"

int main(int argc, char** argv) {
    return explain::run(argc, argv, std::cout, std::cerr);
}
