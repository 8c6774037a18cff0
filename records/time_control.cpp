#include "records/time_control.h"

#include <charconv>
#include <cmath>

namespace records {
namespace {

// The shortest text that reads back as `value`.
std::string decimal(double value) {
    char text[32];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    return error == std::errc() ? std::string(text, end) : std::to_string(value);
}

// A non-negative finite number filling all of `text`.
std::optional<double> read_decimal(std::string_view text) {
    double value = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        !std::isfinite(value) || value < 0 || text.front() == '-')
        return std::nullopt;
    return value;
}

}  // namespace

std::string format_time_control(const TimeControl& control) {
    std::string text = std::to_string(control.seconds);
    if (control.increment > 0)
        text += "+" + decimal(control.increment);
    if (control.move_seconds > 0)
        text += " move " + decimal(control.move_seconds);
    return text;
}

std::optional<TimeControl> parse_time_control(std::string_view text) {
    TimeControl control;
    if (const auto move = text.find(" move "); move != std::string_view::npos) {
        const auto bound = read_decimal(text.substr(move + 6));
        if (!bound || *bound == 0)
            return std::nullopt;
        control.move_seconds = *bound;
        text = text.substr(0, move);
    }
    if (const auto plus = text.find('+'); plus != std::string_view::npos) {
        const auto increment = read_decimal(text.substr(plus + 1));
        if (!increment)
            return std::nullopt;
        control.increment = *increment;
        text = text.substr(0, plus);
    }
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), control.seconds);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        control.seconds < 0)
        return std::nullopt;
    return control;
}

}  // namespace records
