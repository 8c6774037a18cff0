// explain: shows why treeplayer or gridplayer chooses its move; run.cpp holds
// the work so the tests can call it.
#include "cli/command_line.h"
#include "explain/run.h"

int main(int argc, char** argv) {
    return cli::run_main("explain", argc, argv, explain::run);
}
