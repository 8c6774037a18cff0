#include <iostream>

#include "replay/app.h"

int main(int argc, char** argv) {
    const auto parsed = replay::parse_command_line(argc, argv, std::cout, std::cerr);
    if (const int* status = std::get_if<int>(&parsed))
        return *status;
    return replay::run(std::get<replay::Options>(parsed), std::cout, std::cerr);
}
