#include "text/color.h"

#include <unistd.h>

#include <cstdlib>

namespace text {

bool want_color(int fd, bool disabled_by_flag) {
    if (disabled_by_flag)
        return false;
    const char* no_color = std::getenv("NO_COLOR");
    if (no_color != nullptr)
        return false;
    return ::isatty(fd) == 1;
}

}  // namespace text
