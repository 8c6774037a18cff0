// Text that comes from outside a program (a player's output, a name from a
// file) made safe to show: it can play no tricks on a terminal, and a log
// or a record stays one line per entry.
#pragma once

#include <string>
#include <string_view>

namespace text {

// Printable UTF-8 (and tabs when `keep_tabs`) is kept; control characters
// (C0, DEL, C1), the marks that reorder text (U+200E, U+200F, U+2028 to
// U+202E, U+2066 to U+2069) and bytes that are not UTF-8 are written as
// \xNN, byte by byte.
std::string printable(std::string_view text, bool keep_tabs = false);

// As printable, with '"' and '\' escaped too, long text cut after `limit`
// characters, in double quotes.
std::string quote(std::string_view text, std::size_t limit = 60);

// Whether the text holds a control character (C0, DEL or C1), a mark that
// reorders text, or bytes that are not UTF-8: anything printable() changes.
bool has_control(std::string_view text);

}  // namespace text
