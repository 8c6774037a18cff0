// How the referee names a signal, in the end reason of a game a signal
// stopped and in the fault of a player a signal killed.
#pragma once

#include <string>

namespace referee {

// "signal 15 (Terminated)".
std::string signal_text(int number);

}  // namespace referee
