// Safe text for the referee: the shared printable forms (text/printable.h)
// under the referee's own names, and how a signal is named.
#pragma once

#include <string>

#include "text/printable.h"

namespace referee {

using text::has_control;
using text::printable;
using text::quote;

// "signal 15 (Terminated)".
std::string signal_text(int number);

}  // namespace referee
