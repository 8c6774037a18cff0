#include <ostream>

#include "cli/command_line.h"
#include "replay/app.h"

namespace {

int show(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    const auto parsed = replay::parse_command_line(argc, argv, out, err);
    if (const int* status = std::get_if<int>(&parsed))
        return *status;
    return replay::run(std::get<replay::Options>(parsed), out, err);
}

}  // namespace

int main(int argc, char** argv) {
    return cli::run_main("replay", argc, argv, show);
}
