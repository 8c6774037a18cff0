#include "referee/web/server.h"

#include <poll.h>

#include <atomic>
#include <charconv>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <regex>

#include "gamepage/page.h"
#include "records/record.h"
#include "referee/common/interrupt.h"
#include "referee/formats/pairings.h"
#include "referee/match/match.h"
#include "referee/web/http_server.h"
#include "referee/web/page.h"
#include "referee/web/web_run.h"

namespace referee::web {
namespace {

using nlohmann::json;

constexpr int kTokenBytes = 24;
constexpr const char* kCookie = "referee_token";
constexpr std::chrono::seconds kStreamQuiet{1};
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

HttpResponse json_reply(int status, const json& body) {
    HttpResponse response;
    response.status = status;
    response.type = "application/json";
    response.body = body.dump() + "\n";
    return response;
}

HttpResponse error_reply(int status, const std::string& message) {
    return json_reply(status, {{"error", message}});
}

// A game's events as server-sent events, from its first; a comment after a
// quiet second finds a page that has gone.
class GameFeed : public Feed {
  public:
    GameFeed(std::shared_ptr<WebGame> game, std::atomic<int>& streams)
        : game_(std::move(game)), streams_(streams) {}
    ~GameFeed() override { --streams_; }
    GameFeed(const GameFeed&) = delete;
    GameFeed& operator=(const GameFeed&) = delete;
    GameFeed(GameFeed&&) = delete;
    GameFeed& operator=(GameFeed&&) = delete;

    std::optional<std::string> next() override {
        bool over = false;
        const auto events = game_->events(sent_, std::chrono::milliseconds(0), over);
        if (over)
            return std::nullopt;
        std::string chunk;
        for (const auto& event : events)
            chunk += "data: " + event + "\n\n";
        sent_ += events.size();
        const auto now = std::chrono::steady_clock::now();
        if (chunk.empty() && now - written_ < kStreamQuiet)
            return "";
        written_ = now;
        return chunk.empty() ? ": waiting\n\n" : chunk;
    }

  private:
    const std::shared_ptr<WebGame> game_;
    std::atomic<int>& streams_;
    std::size_t sent_ = 0;
    std::chrono::steady_clock::time_point written_ = std::chrono::steady_clock::now();
};

// The game routes' number and what is asked of the game:
// /api/games/N/ACTION.
std::optional<std::pair<int, std::string>> game_route(const std::string& path) {
    static const std::regex kGamePath(R"(/api/games/(\d{1,9})/([a-z]+))");
    std::smatch parts;
    if (!std::regex_match(path, parts, kGamePath))
        return std::nullopt;
    return std::pair{std::stoi(parts[1].str()), parts[2].str()};
}

class Server {
  public:
    Server(const ServeSettings& settings, std::ostream& out, std::ostream& errors)
        : settings_(settings), out_(out), errors_(errors), token_(random_token()) {}

    int run();

  private:
    using Route = HttpResponse (Server::*)(const HttpRequest&);
    using GameRoute = HttpResponse (Server::*)(const HttpRequest&, const std::shared_ptr<WebGame>&);

    HttpResponse handle(const HttpRequest& req);
    HttpResponse route(const HttpRequest& req);

    HttpResponse page(const HttpRequest& req);
    HttpResponse info(const HttpRequest& req);
    HttpResponse list_games(const HttpRequest& req);
    HttpResponse start_game(const HttpRequest& req);
    HttpResponse run_status(const HttpRequest& req);
    HttpResponse start_run(const HttpRequest& req);
    HttpResponse stop_run(const HttpRequest& req);
    HttpResponse events(const HttpRequest& req, const std::shared_ptr<WebGame>& game);
    HttpResponse move(const HttpRequest& req, const std::shared_ptr<WebGame>& game);
    HttpResponse resign(const HttpRequest& req, const std::shared_ptr<WebGame>& game);
    HttpResponse stop(const HttpRequest& req, const std::shared_ptr<WebGame>& game);
    HttpResponse record(const HttpRequest& req, const std::shared_ptr<WebGame>& game);
    HttpResponse replay(const HttpRequest& req, const std::shared_ptr<WebGame>& game);

    std::shared_ptr<WebGame> find(int id);
    std::shared_ptr<WebRun> current_run();
    std::optional<Entrant> entrant(const std::string& name) const;
    std::shared_ptr<WebGame> add_game(const Entrant& black, const Entrant& white);
    std::shared_ptr<WebGame> add_game_locked(const Entrant& black, const Entrant& white);
    void wait_for_stop() const;

    const ServeSettings& settings_;
    std::ostream& out_;
    std::ostream& errors_;
    const std::string token_;
    HttpServer http_{HttpLimits{}, [this](const HttpRequest& req) { return handle(req); }};
    int port_ = 0;
    std::atomic<int> streams_{0};
    std::mutex mutex_;
    std::map<int, std::shared_ptr<WebGame>> games_;
    int next_id_ = 1;
    std::shared_ptr<WebRun> run_;  // the match or tournament, one at a time
    int next_run_id_ = 1;
};

int Server::run() {
    const auto port = http_.start(settings_.address, settings_.port);
    if (!port) {
        errors_ << "referee: cannot listen on " << settings_.address << " port " << settings_.port
                << '\n';
        return kStartFailed;
    }
    port_ = *port;
    out_ << "http://" << host_name(settings_.address) << ':' << port_ << "/?token=" << token_
         << '\n'
         << std::flush;
    wait_for_stop();
    http_.stop();
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
void Server::wait_for_stop() const {
    while (interrupt_signal() == 0) {
        pollfd stop{interrupt_fd(), POLLIN, 0};
        constexpr int kLookMs = 200;
        ::poll(&stop, stop.fd >= 0 ? 1 : 0, kLookMs);
    }
}

// Every request shows the token from this machine's own page first.
HttpResponse Server::handle(const HttpRequest& req) {
    if (auto why = refusal({req.host, req.origin, req.param("token"), req.cookie},
                           settings_.address, port_, token_)) {
        HttpResponse refused;
        refused.status = 403;
        refused.body = "refused: " + *why + "\n";
        return refused;
    }
    HttpResponse response = route(req);
    // Nothing here may be framed by another site or kept by a cache.
    response.headers.emplace_back("X-Frame-Options", "DENY");
    response.headers.emplace_back("Referrer-Policy", "no-referrer");
    response.headers.emplace_back("Cache-Control", "no-store");
    return response;
}

HttpResponse Server::route(const HttpRequest& req) {
    static const std::map<std::pair<std::string, std::string>, Route> kRoutes{
        {{"GET", "/"}, &Server::page},
        {{"GET", "/api/info"}, &Server::info},
        {{"GET", "/api/games"}, &Server::list_games},
        {{"POST", "/api/games"}, &Server::start_game},
        {{"GET", "/api/run"}, &Server::run_status},
        {{"POST", "/api/run"}, &Server::start_run},
        {{"POST", "/api/run/stop"}, &Server::stop_run},
    };
    static const std::map<std::pair<std::string, std::string>, GameRoute> kGameRoutes{
        {{"GET", "events"}, &Server::events},  {{"POST", "move"}, &Server::move},
        {{"POST", "resign"}, &Server::resign}, {{"POST", "stop"}, &Server::stop},
        {{"GET", "record"}, &Server::record},  {{"GET", "replay"}, &Server::replay},
    };
    if (const auto found = kRoutes.find({req.method, req.path}); found != kRoutes.end())
        return (this->*found->second)(req);
    const auto game = game_route(req.path);
    const auto found = game ? kGameRoutes.find({req.method, game->second}) : kGameRoutes.end();
    if (found == kGameRoutes.end())
        return error_reply(404, "no such page");
    if (auto known = find(game->first))
        return (this->*found->second)(req, known);
    return error_reply(404, "no such game");
}

HttpResponse Server::page(const HttpRequest& /*req*/) {
    HttpResponse response;
    response.type = "text/html; charset=utf-8";
    response.body = kPageHtml;
    response.headers = {
        {"Set-Cookie", std::string(kCookie) + "=" + token_ + "; Path=/; HttpOnly; SameSite=Strict"},
        {"Content-Security-Policy",
         "default-src 'none'; script-src 'unsafe-inline'; style-src 'unsafe-inline'; "
         "connect-src 'self'; img-src 'self' data:; frame-ancestors 'none'"}};
    return response;
}

HttpResponse Server::info(const HttpRequest& /*req*/) {
    json names = json::array();
    for (const Entrant& program : settings_.programs)
        names.push_back(program.name);
    const GameConfig& config = settings_.config;
    return json_reply(200, {{"programs", names},
                            {"rows", config.rows},
                            {"columns", config.columns},
                            {"rules", rules::rule_set_name(config.rules)},
                            {"time", config.time_control.seconds},
                            {"human_time", config.human_time_seconds},
                            {"max_games", settings_.max_games}});
}

HttpResponse Server::list_games(const HttpRequest& /*req*/) {
    json list = json::array();
    const std::lock_guard lock(mutex_);
    for (const auto& [id, game] : games_)
        list.push_back(json::parse(game->summary()));
    return json_reply(200, list);
}

HttpResponse Server::start_game(const HttpRequest& req) {
    const auto black = entrant(req.param("black"));
    const auto white = entrant(req.param("white"));
    if (!black || !white) {
        return error_reply(400, "no program named \"" + req.param(black ? "white" : "black") +
                                    "\" is offered here; choose human or one of the list");
    }
    const std::lock_guard lock(mutex_);
    int running = 0;
    for (const auto& [id, game] : games_)
        running += game->finished() ? 0 : 1;
    if (running >= settings_.max_games) {
        return error_reply(503, std::to_string(running) +
                                    " games are under way, as many as this server runs at once: "
                                    "end one first");
    }
    return json_reply(200, {{"id", add_game_locked(*black, *white)->id()}});
}

HttpResponse Server::run_status(const HttpRequest& /*req*/) {
    if (auto match = current_run())
        return json_reply(200, json::parse(match->status()));
    return error_reply(404, "no match has been started");
}

HttpResponse Server::start_run(const HttpRequest& req) {
    const std::string kind_name =
        req.params.contains("tournament") ? req.param("tournament") : std::string("round-robin");
    const auto kind = parse_tournament_kind(kind_name);
    const std::string games_text = req.param("games");
    int per_pairing = 0;
    const auto [end, failed] =
        std::from_chars(games_text.data(), games_text.data() + games_text.size(), per_pairing);
    if (!kind || failed != std::errc{} || end != games_text.data() + games_text.size() ||
        per_pairing < 1) {
        return error_reply(400,
                           "give games=N (1 or more games per pairing) and "
                           "tournament=round-robin or gauntlet");
    }
    std::vector<std::string> names;
    const std::string list = req.param("players");
    for (std::size_t at = 0; at <= list.size() && names.size() <= kMaxRunPlayers;) {
        const std::size_t comma = std::min(list.find(',', at), list.size());
        names.push_back(list.substr(at, comma - at));
        at = comma + 1;
    }
    if (names.size() < 2 || names.size() > kMaxRunPlayers) {
        return error_reply(400, "a match needs 2 to " + std::to_string(kMaxRunPlayers) +
                                    " players, named with commas between them");
    }
    std::vector<Entrant> players;
    for (const std::string& name : names) {
        auto program = entrant(name);
        if (!program || program->command.empty()) {
            return error_reply(400, "no program named \"" + name +
                                        "\" is offered here; a match is played by "
                                        "programs of the list");
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
        return error_reply(400, "at most " + std::to_string(kMaxRunGames) +
                                    " games in all, and that is " + std::to_string(total));
    }
    std::shared_ptr<WebRun> old;  // a finished run goes, outside the lock
    const std::lock_guard lock(mutex_);
    if (run_ && !run_->finished())
        return error_reply(409, "a match is under way: stop it first");
    old = std::move(run_);
    const int id = next_run_id_++;
    run_ = std::make_shared<WebRun>(
        id, std::move(players), *kind, per_pairing,
        [this](const Entrant& black, const Entrant& white) { return add_game(black, white); });
    return json_reply(200, {{"id", id}, {"total", total}});
}

HttpResponse Server::stop_run(const HttpRequest& /*req*/) {
    auto match = current_run();
    if (match)
        match->stop();
    return json_reply(match ? 200 : 404, {{"ok", match != nullptr}});
}

HttpResponse Server::events(const HttpRequest& /*req*/, const std::shared_ptr<WebGame>& game) {
    if (++streams_ > settings_.max_streams) {
        --streams_;
        return error_reply(503, "too many pages are watching");
    }
    HttpResponse response;
    response.type = "text/event-stream";
    response.feed = std::make_unique<GameFeed>(game, streams_);
    return response;
}

HttpResponse Server::move(const HttpRequest& req, const std::shared_ptr<WebGame>& game) {
    if (auto refused = game->move(req.param("line")))
        return json_reply(422, {{"refused", *refused}});
    return json_reply(200, {{"ok", true}});
}

HttpResponse Server::resign(const HttpRequest& /*req*/, const std::shared_ptr<WebGame>& game) {
    if (game->resign())
        return json_reply(200, {{"ok", true}});
    return error_reply(409, "nobody here can resign this game");
}

HttpResponse Server::stop(const HttpRequest& /*req*/, const std::shared_ptr<WebGame>& game) {
    game->stop();
    return json_reply(200, {{"ok", true}});
}

HttpResponse Server::record(const HttpRequest& /*req*/, const std::shared_ptr<WebGame>& game) {
    const auto text = game->record();
    if (!text)
        return error_reply(404, "no finished game of that number");
    HttpResponse response;
    response.body = *text;
    response.headers = {{"Content-Disposition",
                         "attachment; filename=\"game-" + std::to_string(game->id()) + ".txt\""}};
    return response;
}

HttpResponse Server::replay(const HttpRequest& /*req*/, const std::shared_ptr<WebGame>& game) {
    const auto text = game->record();
    if (!text)
        return error_reply(404, "no finished game of that number");
    auto games = records::read_record(*text);
    const auto* read = std::get_if<std::vector<records::Game>>(&games);
    if (read == nullptr)
        return error_reply(500, "the record cannot be replayed");
    HttpResponse response;
    response.type = "text/html; charset=utf-8";
    response.body = gamepage::html_page(*read, 0, 0);
    return response;
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

std::shared_ptr<WebGame> Server::find(int id) {
    const std::lock_guard lock(mutex_);
    const auto found = games_.find(id);
    return found == games_.end() ? nullptr : found->second;
}

std::shared_ptr<WebRun> Server::current_run() {
    const std::lock_guard lock(mutex_);
    return run_;
}

// With mutex_ held.
std::shared_ptr<WebGame> Server::add_game_locked(const Entrant& black, const Entrant& white) {
    // The oldest finished games make room for new ones.
    for (auto at = games_.begin();
         at != games_.end() && static_cast<int>(games_.size()) >= settings_.kept_games;) {
        at = at->second->finished() ? games_.erase(at) : std::next(at);
    }
    const int id = next_id_++;
    auto game = std::make_shared<WebGame>(id, black, white, settings_.config, settings_.seating,
                                          [this] { http_.wake(); });
    games_[id] = game;
    return game;
}

// A game of the run counts against no limit: the run plays one at a time.
std::shared_ptr<WebGame> Server::add_game(const Entrant& black, const Entrant& white) {
    const std::lock_guard lock(mutex_);
    return add_game_locked(black, white);
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
