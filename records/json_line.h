// How records' sources write a line of a results file; for records alone.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace records {

// Keys stay in the order they are written: a line reads game, players,
// result, ... as the format lists them.
using json = nlohmann::ordered_json;

// One line, ending in a newline. Player names come from the command line
// and may hold any bytes; invalid UTF-8 is replaced rather than making the
// dump throw and lose the line.
inline std::string dump_line(const json& value) {
    return value.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
}

}  // namespace records
