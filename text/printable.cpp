#include "text/printable.h"

#include <cstdio>

namespace text {
namespace {

// The length of the valid UTF-8 sequence at the start of `text` for a
// character that may be shown as it is; 0 for a byte to escape.
std::size_t shown_length(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return lead >= 0x20 && lead < 0x7f ? 1 : 0;
    std::size_t length = 0;
    char32_t code = 0;
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
        code = lead & 0x1fU;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        code = lead & 0x0fU;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        code = lead & 0x07U;
    } else {
        return 0;
    }
    if (text.size() < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xc0U) != 0x80)
            return 0;
        code = (code << 6U) | (byte(i) & 0x3fU);
    }
    // Overlong forms, surrogates and code points beyond Unicode are not
    // UTF-8.
    const char32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    if (code < least || (code >= 0xd800 && code <= 0xdfff) || code > 0x10ffff)
        return 0;
    const bool control = code <= 0x9f;
    const bool reorders = code == 0x200e || code == 0x200f || (code >= 0x2028 && code <= 0x202e) ||
                          (code >= 0x2066 && code <= 0x2069);
    return control || reorders ? 0 : length;
}

void escape(std::string& out, char c) {
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\x%02x", static_cast<unsigned char>(c));
    out += escaped;
}

}  // namespace

std::string printable(std::string_view text, bool keep_tabs) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = shown_length(text.substr(i));
        if (length > 0) {
            out.append(text.substr(i, length));
            i += length;
        } else {
            if (keep_tabs && text[i] == '\t')
                out += '\t';
            else
                escape(out, text[i]);
            ++i;
        }
    }
    return out;
}

std::string quote(std::string_view text, std::size_t limit) {
    std::string out = "\"";
    std::size_t shown = 0;
    for (std::size_t i = 0; i < text.size(); ++shown) {
        if (shown == limit) {
            out += "...";
            break;
        }
        const std::size_t length = shown_length(text.substr(i));
        if (length > 0 && text[i] != '"' && text[i] != '\\') {
            out.append(text.substr(i, length));
            i += length;
        } else {
            escape(out, text[i]);
            ++i;
        }
    }
    out += '"';
    return out;
}

bool has_control(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = shown_length(text.substr(i));
        if (length == 0)
            return true;
        i += length;
    }
    return false;
}

}  // namespace text
