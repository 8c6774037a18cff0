#include "referee/common/text.h"

#include <cstdio>
#include <cstring>

namespace referee {

std::string printable(std::string_view text, bool keep_tabs) {
    std::string out;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 0x20 && byte < 0x7f) || (keep_tabs && c == '\t')) {
            out += c;
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
            out += escaped;
        }
    }
    return out;
}

std::string quote(std::string_view text, std::size_t limit) {
    std::string out = "\"";
    std::size_t shown = 0;
    for (char c : text) {
        if (shown == limit) {
            out += "...";
            break;
        }
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7f && c != '"' && c != '\\') {
            out += c;
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
            out += escaped;
        }
        ++shown;
    }
    out += '"';
    return out;
}

std::string signal_text(int number) {
    const char* name = ::strsignal(number);
    return "signal " + std::to_string(number) + (name ? std::string(" (") + name + ")" : "");
}

}  // namespace referee
