#include <iostream>

#include "tools/perft_rules/command.h"

int main(int argc, char** argv) {
    return perft_rules::run(argc, argv, std::cout, std::cerr);
}
