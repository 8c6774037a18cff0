// The board in the browser: a web server on this machine that offers the
// programs given on the command line, runs games between them and people
// (each game the referee's own, on a thread of its own) and shows them on
// a page. Only a page opened with the run's token may use it, and only from
// this machine's own addresses.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "referee/game/game.h"
#include "referee/seats/seating.h"
#include "referee/web/web_game.h"

namespace referee::web {

struct ServeSettings {
    std::string address = "127.0.0.1";
    int port = 0;  // 0: any free port
    // What the page offers, by name; "human" is the person at the page.
    std::vector<Entrant> programs;
    GameConfig config;
    Seating seating;
    int max_games = 4;     // games under way at once
    int max_streams = 16;  // pages watching at once
    int kept_games = 64;   // finished games kept for their records
};

// The request's Host and Origin headers, and its token (from the query or
// the cookie the page sets). nullopt when the request may go on, else why
// not.
struct RequestFacts {
    std::string host;
    std::optional<std::string> origin;
    std::string query_token;
    std::string cookie;  // the whole Cookie header
};
std::optional<std::string> refusal(const RequestFacts& request, const std::string& address,
                                   int port, const std::string& token);

// Serves until the referee is stopped by a signal; prints one line with the
// page's address and token on `out` once it listens. Returns the exit
// status.
int serve(const ServeSettings& settings, std::ostream& out, std::ostream& errors);

}  // namespace referee::web
