// Text that comes from outside the referee (a player's output, a name from
// a file) made safe to show: it can play no tricks on a terminal, and a log
// or a record stays one line per entry.
#pragma once

#include <string>
#include <string_view>

namespace referee {

// Printable ASCII (and tabs when `keep_tabs`) is kept, anything else is
// written as \xNN.
std::string printable(std::string_view text, bool keep_tabs = false);

// Printable ASCII is kept, anything else is written as \xNN, and long text
// is cut after `limit` characters; in double quotes.
std::string quote(std::string_view text, std::size_t limit = 60);

// "signal 15 (Terminated)".
std::string signal_text(int number);

}  // namespace referee
