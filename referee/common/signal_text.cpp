#include "referee/common/signal_text.h"

#include <cstring>

namespace referee {

std::string signal_text(int number) {
    const char* name = ::strsignal(number);
    return "signal " + std::to_string(number) + (name ? std::string(" (") + name + ")" : "");
}

}  // namespace referee
