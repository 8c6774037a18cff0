// A player as the referee knows it, from the command line to the results:
// the name it is shown by and the command that starts it.
#pragma once

#include <string>
#include <vector>

namespace referee {

struct Player {
    std::string name;               // shown in results, records and logs
    std::string command;            // as given: --schedule passes it on unchanged
    std::vector<std::string> argv;  // the command split into words
};

}  // namespace referee
