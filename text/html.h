// Text put into an HTML or SVG page: names, reasons and a player's output
// come from outside and may hold markup.
#pragma once

#include <string>
#include <string_view>

namespace text {

// '&', '<', '>', '"' and '\'' as character references, so the text reads
// the same in an element and in an attribute in either kind of quotes.
std::string html_escape(std::string_view text);

}  // namespace text
