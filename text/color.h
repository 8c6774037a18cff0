// Whether text for a terminal is coloured: the referee's board and the
// replay decide it alike.
#pragma once

namespace text {

// Colours only on a terminal, and never when the user has set NO_COLOR.
bool want_color(int fd, bool disabled_by_flag);

}  // namespace text
