#include "referee/web/server.h"

#include <poll.h>

#include <atomic>
#include <charconv>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <thread>

#include "gamepage/page.h"
#include "records/record.h"
#include "referee/common/interrupt.h"
#include "referee/match/match.h"
#include "referee/match/pairings.h"
#include "referee/web/page.h"
#include "referee/web/web_run.h"

// Last: the library's header leaks macros the others need not see.
#include <httplib.h>

namespace referee::web {
namespace {

using nlohmann::json;

constexpr std::size_t kMaxRequestBytes = 4096;
constexpr int kTokenBytes = 24;
constexpr std::size_t kServerThreads = 32;
constexpr const char* kCookie = "referee_token";
constexpr std::chrono::milliseconds kStreamWait{1000};
// A match or tournament from the page: at most this many players and games.
constexpr std::size_t kMaxRunPlayers = 8;
constexpr int kMaxRunGames = 100;

std::string random_token() {
    std::ifstream random("/dev/urandom", std::ios::binary);
    unsigned char bytes[kTokenBytes] = {};
    random.read(reinterpret_cast<char*>(bytes), sizeof bytes);
    if (!random)
        throw std::runtime_error("cannot read /dev/urandom for the access token");
    static const char* const kHex = "0123456789abcdef";
    std::string token;
    for (unsigned char byte : bytes) {
        token += kHex[byte >> 4U];
        token += kHex[byte & 15U];
    }
    return token;
}

// Compares without stopping at the first difference, so the time taken
// tells nothing about how much of a guess was right.
bool same_secret(const std::string& given, const std::string& secret) {
    if (given.size() != secret.size())
        return false;
    unsigned char differ = 0;
    for (std::size_t i = 0; i < secret.size(); ++i)
        differ |= static_cast<unsigned char>(given[i] ^ secret[i]);
    return differ == 0;
}

std::string cookie_value(const std::string& header, const std::string& name) {
    std::size_t at = 0;
    while (at < header.size()) {
        const std::size_t end = std::min(header.find(';', at), header.size());
        std::string pair = header.substr(at, end - at);
        const std::size_t start = pair.find_first_not_of(' ');
        pair = start == std::string::npos ? "" : pair.substr(start);
        if (pair.starts_with(name + "="))
            return pair.substr(name.size() + 1);
        at = end + 1;
    }
    return "";
}

std::string host_name(const std::string& address) {
    return address.find(':') != std::string::npos ? "[" + address + "]" : address;
}

void reply_json(httplib::Response& res, int status, const json& body) {
    res.status = status;
    res.set_content(body.dump() + "\n", "application/json");
}

class Server {
  public:
    Server(const ServeSettings& settings, std::ostream& out, std::ostream& errors)
        : settings_(settings), out_(out), errors_(errors), token_(random_token()) {}

    int run();

  private:
    void routes();
    std::shared_ptr<WebGame> find(const httplib::Request& req);
    void start_game(const httplib::Request& req, httplib::Response& res);
    void stream(const std::shared_ptr<WebGame>& game, httplib::Response& res);
    std::optional<Entrant> entrant(const std::string& name) const;
    std::shared_ptr<WebGame> add_game(const Entrant& black, const Entrant& white);
    std::shared_ptr<WebGame> add_game_locked(const Entrant& black, const Entrant& white);
    void start_run(const httplib::Request& req, httplib::Response& res);
    void watch_for_stop();

    const ServeSettings& settings_;
    std::ostream& out_;
    std::ostream& errors_;
    const std::string token_;
    httplib::Server http_;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> streams_{0};
    std::mutex mutex_;
    std::map<int, std::shared_ptr<WebGame>> games_;
    int next_id_ = 1;
    std::shared_ptr<WebRun> run_;  // the match or tournament, one at a time
    int next_run_id_ = 1;
};

int Server::run() {
    http_.new_task_queue = [] { return new httplib::ThreadPool(kServerThreads); };
    http_.set_payload_max_length(kMaxRequestBytes);
    // Idle connections do not hold the server up when it stops.
    http_.set_keep_alive_timeout(2);
    routes();
    if (settings_.port == 0) {
        port_ = http_.bind_to_any_port(settings_.address);
    } else {
        port_ = http_.bind_to_port(settings_.address, settings_.port) ? settings_.port : -1;
    }
    if (port_ <= 0) {
        errors_ << "referee: cannot listen on " << settings_.address << " port " << settings_.port
                << '\n';
        return kStartFailed;
    }
    out_ << "http://" << host_name(settings_.address) << ':' << port_ << "/?token=" << token_
         << '\n'
         << std::flush;
    std::thread watcher([this] { watch_for_stop(); });
    http_.listen_after_bind();
    stopping_ = true;
    watcher.join();
    std::shared_ptr<WebRun> match;
    std::map<int, std::shared_ptr<WebGame>> games;
    {
        const std::lock_guard lock(mutex_);
        match.swap(run_);
    }
    match.reset();  // its game ends unfinished, its thread is joined
    {
        const std::lock_guard lock(mutex_);
        games.swap(games_);
    }
    for (auto& [id, game] : games)
        game->stop();
    games.clear();  // each game's thread is joined here
    const int number = interrupt_signal();
    return number != 0 ? kSignalBase + number : kPlayed;
}

// The server stops with the referee: on SIGINT, SIGTERM or SIGHUP.
void Server::watch_for_stop() {
    while (!stopping_) {
        pollfd stop{interrupt_fd(), POLLIN, 0};
        constexpr int kLookMs = 200;
        if (::poll(&stop, stop.fd >= 0 ? 1 : 0, kLookMs) > 0 || interrupt_signal() != 0) {
            stopping_ = true;
            http_.stop();
            return;
        }
    }
}

std::optional<Entrant> Server::entrant(const std::string& name) const {
    if (name == "human")
        return Entrant{"human", {}};
    for (const Entrant& program : settings_.programs) {
        if (program.name == name)
            return program;
    }
    return std::nullopt;
}

std::shared_ptr<WebGame> Server::find(const httplib::Request& req) {
    const int id = std::stoi(req.matches[1].str());
    const std::lock_guard lock(mutex_);
    const auto found = games_.find(id);
    return found == games_.end() ? nullptr : found->second;
}

void Server::start_game(const httplib::Request& req, httplib::Response& res) {
    const auto black = entrant(req.get_param_value("black"));
    const auto white = entrant(req.get_param_value("white"));
    if (!black || !white) {
        const std::string& wrong =
            black ? req.get_param_value("white") : req.get_param_value("black");
        reply_json(res, 400,
                   {{"error", "no program named \"" + wrong +
                                  "\" is offered here; choose human or one of the list"}});
        return;
    }
    const std::lock_guard lock(mutex_);
    int running = 0;
    for (const auto& [id, game] : games_)
        running += game->finished() ? 0 : 1;
    if (running >= settings_.max_games) {
        reply_json(res, 503,
                   {{"error", std::to_string(running) +
                                  " games are under way, as many as this server runs at once: "
                                  "end one first"}});
        return;
    }
    reply_json(res, 200, {{"id", add_game_locked(*black, *white)->id()}});
}

// With mutex_ held.
std::shared_ptr<WebGame> Server::add_game_locked(const Entrant& black, const Entrant& white) {
    // The oldest finished games make room for new ones.
    for (auto at = games_.begin();
         at != games_.end() && static_cast<int>(games_.size()) >= settings_.kept_games;) {
        at = at->second->finished() ? games_.erase(at) : std::next(at);
    }
    const int id = next_id_++;
    auto game = std::make_shared<WebGame>(id, black, white, settings_.config, settings_.seating);
    games_[id] = game;
    return game;
}

// A game of the run counts against no limit: the run plays one at a time.
std::shared_ptr<WebGame> Server::add_game(const Entrant& black, const Entrant& white) {
    const std::lock_guard lock(mutex_);
    return add_game_locked(black, white);
}

void Server::start_run(const httplib::Request& req, httplib::Response& res) {
    const auto kind =
        parse_tournament_kind(req.has_param("tournament") ? req.get_param_value("tournament")
                                                          : std::string("round-robin"));
    const std::string games_text = req.get_param_value("games");
    int per_pairing = 0;
    const auto [end, failed] =
        std::from_chars(games_text.data(), games_text.data() + games_text.size(), per_pairing);
    if (!kind || failed != std::errc{} || end != games_text.data() + games_text.size() ||
        per_pairing < 1) {
        reply_json(res, 400,
                   {{"error",
                     "give games=N (1 or more games per pairing) and "
                     "tournament=round-robin or gauntlet"}});
        return;
    }
    std::vector<std::string> names;
    const std::string list = req.get_param_value("players");
    for (std::size_t at = 0; at <= list.size() && names.size() <= kMaxRunPlayers;) {
        const std::size_t comma = std::min(list.find(',', at), list.size());
        names.push_back(list.substr(at, comma - at));
        at = comma + 1;
    }
    if (names.size() < 2 || names.size() > kMaxRunPlayers) {
        reply_json(res, 400,
                   {{"error", "a match needs 2 to " + std::to_string(kMaxRunPlayers) +
                                  " players, named with commas between them"}});
        return;
    }
    std::vector<Entrant> players;
    for (const std::string& name : names) {
        auto program = entrant(name);
        if (!program || program->command.empty()) {
            reply_json(res, 400,
                       {{"error", "no program named \"" + name +
                                      "\" is offered here; a match is played by "
                                      "programs of the list"}});
            return;
        }
        players.push_back(*program);
    }
    const auto shown = distinct_names(names);
    for (std::size_t i = 0; i < players.size(); ++i)
        players[i].name = shown[i];
    const int total =
        per_pairing > kMaxRunGames
            ? per_pairing
            : static_cast<int>(
                  schedule_games(static_cast<int>(players.size()), *kind, per_pairing).size());
    if (total > kMaxRunGames) {
        reply_json(res, 400,
                   {{"error", "at most " + std::to_string(kMaxRunGames) +
                                  " games in all, and that is " + std::to_string(total)}});
        return;
    }
    std::shared_ptr<WebRun> old;  // a finished run goes, outside the lock
    const std::lock_guard lock(mutex_);
    if (run_ && !run_->finished()) {
        reply_json(res, 409, {{"error", "a match is under way: stop it first"}});
        return;
    }
    old = std::move(run_);
    const int id = next_run_id_++;
    run_ = std::make_shared<WebRun>(
        id, std::move(players), *kind, per_pairing,
        [this](const Entrant& black, const Entrant& white) { return add_game(black, white); });
    reply_json(res, 200, {{"id", id}, {"total", total}});
}

void Server::stream(const std::shared_ptr<WebGame>& game, httplib::Response& res) {
    if (++streams_ > settings_.max_streams) {
        --streams_;
        reply_json(res, 503, {{"error", "too many pages are watching"}});
        return;
    }
    res.set_header("Cache-Control", "no-store");
    auto sent = std::make_shared<std::size_t>(0);
    res.set_chunked_content_provider(
        "text/event-stream",
        [this, game, sent](std::size_t /*offset*/, httplib::DataSink& sink) {
            bool over = false;
            const auto events = game->events(*sent, kStreamWait, over);
            if (over || stopping_) {
                sink.done();
                return true;
            }
            // A comment when nothing happened finds a page that has gone.
            std::string chunk = events.empty() ? ": waiting\n\n" : "";
            for (const auto& event : events)
                chunk += "data: " + event + "\n\n";
            *sent += events.size();
            return sink.write(chunk.data(), chunk.size());
        },
        [this](bool /*success*/) { --streams_; });
}

void Server::routes() {
    http_.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
        RequestFacts facts{req.get_header_value("Host"), std::nullopt, req.get_param_value("token"),
                           req.get_header_value("Cookie")};
        if (req.has_header("Origin"))
            facts.origin = req.get_header_value("Origin");
        if (auto why = refusal(facts, settings_.address, port_, token_)) {
            res.status = 403;
            res.set_content("refused: " + *why + "\n", "text/plain");
            return httplib::Server::HandlerResponse::Handled;
        }
        // Nothing here may be framed by another site or kept by a cache.
        res.set_header("X-Frame-Options", "DENY");
        res.set_header("Referrer-Policy", "no-referrer");
        res.set_header("Cache-Control", "no-store");
        return httplib::Server::HandlerResponse::Unhandled;
    });
    http_.Get("/", [this](const httplib::Request& /*req*/, httplib::Response& res) {
        res.set_header("Set-Cookie",
                       std::string(kCookie) + "=" + token_ + "; Path=/; HttpOnly; SameSite=Strict");
        res.set_header("Content-Security-Policy",
                       "default-src 'none'; script-src 'unsafe-inline'; style-src "
                       "'unsafe-inline'; connect-src 'self'; img-src 'self' data:; "
                       "frame-ancestors 'none'");
        res.set_content(page_html(), "text/html; charset=utf-8");
    });
    http_.Get("/api/info", [this](const httplib::Request& /*req*/, httplib::Response& res) {
        json names = json::array();
        for (const Entrant& program : settings_.programs)
            names.push_back(program.name);
        const GameConfig& config = settings_.config;
        reply_json(res, 200,
                   {{"programs", names},
                    {"rows", config.rows},
                    {"columns", config.columns},
                    {"rules", rules::rule_set_name(config.rules)},
                    {"time", config.time_control.seconds},
                    {"human_time", config.human_time_seconds},
                    {"max_games", settings_.max_games}});
    });
    http_.Get("/api/games", [this](const httplib::Request& /*req*/, httplib::Response& res) {
        json list = json::array();
        const std::lock_guard lock(mutex_);
        for (const auto& [id, game] : games_)
            list.push_back(json::parse(game->summary()));
        reply_json(res, 200, list);
    });
    http_.Post("/api/games", [this](const httplib::Request& req, httplib::Response& res) {
        start_game(req, res);
    });
    http_.Get("/api/run", [this](const httplib::Request& /*req*/, httplib::Response& res) {
        std::shared_ptr<WebRun> match;
        {
            const std::lock_guard lock(mutex_);
            match = run_;
        }
        if (match)
            reply_json(res, 200, json::parse(match->status()));
        else
            reply_json(res, 404, {{"error", "no match has been started"}});
    });
    http_.Post("/api/run", [this](const httplib::Request& req, httplib::Response& res) {
        start_run(req, res);
    });
    http_.Post("/api/run/stop", [this](const httplib::Request& /*req*/, httplib::Response& res) {
        std::shared_ptr<WebRun> match;
        {
            const std::lock_guard lock(mutex_);
            match = run_;
        }
        if (match)
            match->stop();
        reply_json(res, match ? 200 : 404, {{"ok", match != nullptr}});
    });
    http_.Get(R"(/api/games/(\d{1,9})/events)",
              [this](const httplib::Request& req, httplib::Response& res) {
                  if (auto game = find(req))
                      stream(game, res);
                  else
                      reply_json(res, 404, {{"error", "no such game"}});
              });
    http_.Post(R"(/api/games/(\d{1,9})/move)",
               [this](const httplib::Request& req, httplib::Response& res) {
                   auto game = find(req);
                   if (!game) {
                       reply_json(res, 404, {{"error", "no such game"}});
                   } else if (auto refused = game->move(req.get_param_value("line"))) {
                       reply_json(res, 422, {{"refused", *refused}});
                   } else {
                       reply_json(res, 200, {{"ok", true}});
                   }
               });
    http_.Post(R"(/api/games/(\d{1,9})/(resign|stop))",
               [this](const httplib::Request& req, httplib::Response& res) {
                   auto game = find(req);
                   if (!game) {
                       reply_json(res, 404, {{"error", "no such game"}});
                   } else if (req.matches[2] == "stop") {
                       game->stop();
                       reply_json(res, 200, {{"ok", true}});
                   } else if (game->resign()) {
                       reply_json(res, 200, {{"ok", true}});
                   } else {
                       reply_json(res, 409, {{"error", "nobody here can resign this game"}});
                   }
               });
    http_.Get(R"(/api/games/(\d{1,9})/(record|replay))", [this](const httplib::Request& req,
                                                                httplib::Response& res) {
        auto game = find(req);
        const auto record = game ? game->record() : std::nullopt;
        if (!record) {
            reply_json(res, 404, {{"error", "no finished game of that number"}});
            return;
        }
        const std::string name = "game-" + req.matches[1].str();
        if (req.matches[2] == "record") {
            res.set_header("Content-Disposition", "attachment; filename=\"" + name + ".txt\"");
            res.set_content(*record, "text/plain; charset=utf-8");
            return;
        }
        auto games = records::read_record(*record);
        if (const auto* read = std::get_if<std::vector<records::Game>>(&games)) {
            res.set_content(gamepage::html_page(*read, 0, 0), "text/html; charset=utf-8");
        } else {
            reply_json(res, 500, {{"error", "the record cannot be replayed"}});
        }
    });
}

}  // namespace

std::optional<std::string> refusal(const RequestFacts& request, const std::string& address,
                                   int port, const std::string& token) {
    const std::string suffix = ":" + std::to_string(port);
    const std::vector<std::string> hosts{"127.0.0.1" + suffix, "localhost" + suffix,
                                         host_name(address) + suffix};
    const auto known = [&](const std::string& host) {
        return std::find(hosts.begin(), hosts.end(), host) != hosts.end();
    };
    if (!known(request.host))
        return "the Host header names another site";
    if (request.origin && !(request.origin->starts_with("http://") &&
                            known(request.origin->substr(std::string_view("http://").size()))))
        return "the request comes from a page of another site";
    if (!same_secret(request.query_token, token) &&
        !same_secret(cookie_value(request.cookie, kCookie), token))
        return "no valid token: open the address the referee printed";
    return std::nullopt;
}

int serve(const ServeSettings& settings, std::ostream& out, std::ostream& errors) {
    Server server(settings, out, errors);
    return server.run();
}

}  // namespace referee::web
