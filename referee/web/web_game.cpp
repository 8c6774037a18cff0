#include "referee/web/web_game.h"

#include <nlohmann/json.hpp>
#include <sstream>

#include "referee/game/record.h"
#include "referee/seats/human.h"

namespace referee::web {
namespace {

using nlohmann::json;

json board_json(const rules::Board& board) {
    json rows = json::array();
    for (int y = 0; y < board.rows(); ++y) {
        std::string row;
        for (int x = 0; x < board.columns(); ++x)
            row += rules::letter(board.at(x, y));
        rows.push_back(row);
    }
    return rows;
}

json move_json(const protocol::MoveLine& move) {
    return json::array({move.x1, move.y1, std::string(1, move.action), move.x2, move.y2});
}

json clocks_json(const std::array<double, 2>& clocks) {
    return json::array({clocks[0], clocks[1]});
}

json moves_json(const Turn& turn) {
    json moves = json::array();
    for (const auto& move : listed_moves(turn.board, turn.side, turn.rules))
        moves.push_back(move_json(move));
    return moves;
}

}  // namespace

// Turns what the game tells its observers into the page's events.
class WebGame::Events : public GameObserver {
  public:
    explicit Events(WebGame& game) : game_(game) {}

    void started(const rules::Board& board, const std::array<double, 2>& clock_left) override {
        json people = json::array();
        for (const auto& person : game_.people_)
            people.push_back(person != nullptr);
        json event{{"type", "start"},
                   {"id", game_.id_},
                   {"black", game_.entrants_[0].name},
                   {"white", game_.entrants_[1].name},
                   {"people", people},
                   {"rules", rules::rule_set_name(game_.config_.rules)},
                   {"board", board_json(board)},
                   {"clocks", clocks_json(clock_left)}};
        expect({board, rules::Side::Black, game_.config_.rules, 0, std::nullopt, clock_left, {}},
               event);
        game_.publish(event.dump());
    }

    void moved(const rules::Board& board, const PlayedMove& move, int ply,
               const std::array<double, 2>& clock_left) override {
        {
            const std::lock_guard lock(game_.mutex_);
            game_.plies_ = ply;
        }
        json event{{"type", "move"},
                   {"ply", ply},
                   {"side", rules::side_name(move.side)},
                   {"move", move_json(move.move)},
                   {"text", protocol::format_move(move.move)},
                   {"seconds", move.seconds},
                   {"board", board_json(board)},
                   {"clocks", clocks_json(clock_left)}};
        expect({board, rules::opponent(move.side), game_.config_.rules, ply, move, clock_left, {}},
               event);
        game_.publish(event.dump());
    }

  private:
    // A person at the page who moves next may move as soon as the page
    // draws this event: their seat takes a move from now on, and the event
    // carries the legal moves. Told before the event goes out, so that no
    // move the page sends can come before it.
    void expect(const Turn& next, json& event) {
        const auto& person = game_.people_[rules::side_index(next.side)];
        if (!person)
            return;
        person->expect(next);
        event["turn"] = {{"side", rules::side_name(next.side)}, {"moves", moves_json(next)}};
    }

    WebGame& game_;
};

WebGame::WebGame(int id, const Entrant& black, const Entrant& white, const GameConfig& config,
                 const Seating& seating, std::function<void()> told)
    : id_(id), entrants_{black, white}, config_(config), seating_(seating), told_(std::move(told)) {
    for (rules::Side side : {rules::Side::Black, rules::Side::White}) {
        if (!entrants_[rules::side_index(side)].command.empty())
            continue;
        people_[rules::side_index(side)] =
            std::make_unique<BrowserSeat>(side, [this](const Turn& turn) {
                publish(json{{"type", "turn"},
                             {"ply", turn.ply},
                             {"side", rules::side_name(turn.side)},
                             {"moves", moves_json(turn)},
                             {"clocks", clocks_json(turn.clock_left)}}
                            .dump());
            });
    }
    thread_ = std::thread([this] { run(); });
}

WebGame::~WebGame() {
    stop();
    thread_.join();
}

void WebGame::run() {
    Events observer(*this);
    GameResult result;
    std::string error;
    // Out here, so that they outlive the pointers stop() and resign() use
    // whatever happens in the game.
    std::array<std::unique_ptr<Seat>, 2> programs;
    std::array<std::unique_ptr<StoppableSeat>, 2> seats;
    try {
        for (rules::Side side : {rules::Side::Black, rules::Side::White}) {
            const std::size_t i = rules::side_index(side);
            Seat* inner = people_[i].get();
            if (inner == nullptr) {
                programs[i] = take_seat(side, entrants_[i].command, config_, observer, seating_);
                inner = programs[i].get();
            }
            seats[i] = std::make_unique<StoppableSeat>(*inner);
        }
        {
            const std::lock_guard lock(mutex_);
            seats_ = {seats[0].get(), seats[1].get()};
            if (pending_end_) {
                for (auto& seat : seats)
                    seat->end(*pending_end_);
            }
        }
        result = play_game(config_, *seats[0], *seats[1], observer);
    } catch (const std::exception& failed) {
        error = failed.what();
    }
    {
        const std::lock_guard lock(mutex_);
        seats_ = {};
    }
    std::string record;
    if (error.empty()) {
        std::ostringstream out;
        write_record(
            out,
            RecordInfo{"referee web game " + std::to_string(id_), entrants_[0].name,
                       entrants_[1].name, config_.rows, config_.columns, config_.time_control},
            result);
        record = out.str();
    }
    const std::string last =
        error.empty()
            ? json{{"type", "end"},
                   {"ply", static_cast<int>(result.moves.size())},
                   {"result", result.outcome.result().text()},
                   {"reason", result.outcome.describe()}}
                  .dump()
            : json{{"type", "error"}, {"message", "cannot start a player: " + error}}.dump();
    {
        const std::lock_guard lock(mutex_);
        events_.push_back(last);
        record_ = record;
        result_ = error.empty() ? result.outcome.result().text() : "*";
        reason_ = error.empty() ? result.outcome.sentence() : "a player could not start";
        if (error.empty())
            played_ = std::move(result);
        finished_ = true;
        changed_.notify_all();
    }
    told_();
}

void WebGame::publish(std::string event) {
    {
        const std::lock_guard lock(mutex_);
        events_.push_back(std::move(event));
        changed_.notify_all();
    }
    told_();
}

std::vector<std::string> WebGame::events(std::size_t from, std::chrono::milliseconds wait,
                                         bool& over) const {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, wait, [&] { return events_.size() > from || finished_; });
    over = finished_ && from >= events_.size();
    if (from >= events_.size())
        return {};
    return {events_.begin() + static_cast<long>(from), events_.end()};
}

std::optional<std::string> WebGame::move(const std::string& line) {
    if (finished())
        return "the game is over";
    for (const auto& person : people_) {
        if (person && person->to_move())
            return person->offer(line);
    }
    return people_[0] || people_[1] ? "it is not your turn"
                                    : "nobody plays this game in the browser";
}

bool WebGame::resign() {
    const std::lock_guard lock(mutex_);
    if (finished_)
        return false;
    BrowserSeat* person = nullptr;
    for (const auto& seat : people_) {
        if (seat && (person == nullptr || seat->to_move()))
            person = seat.get();
    }
    if (person == nullptr)
        return false;
    const Outcome resigned{EndReason::Resigned, person->side(), "in the browser"};
    if (seats_[0] == nullptr) {
        pending_end_ = pending_end_.value_or(resigned);
        return true;
    }
    // Whichever side is to move hears it: the resigning one as its move,
    // the other as news from its opponent.
    for (StoppableSeat* seat : seats_)
        seat->end(resigned);
    return true;
}

void WebGame::stop() {
    const std::lock_guard lock(mutex_);
    if (finished_)
        return;
    const Outcome stopped{EndReason::Interrupted, std::nullopt, "stopped from the page"};
    if (seats_[0] == nullptr) {
        pending_end_ = pending_end_.value_or(stopped);
        return;
    }
    for (StoppableSeat* seat : seats_)
        seat->end(stopped);
}

bool WebGame::finished() const {
    const std::lock_guard lock(mutex_);
    return finished_;
}

std::optional<std::string> WebGame::record() const {
    const std::lock_guard lock(mutex_);
    if (!finished_ || record_.empty())
        return std::nullopt;
    return record_;
}

std::string WebGame::summary() const {
    const std::lock_guard lock(mutex_);
    return json{{"id", id_},        {"black", entrants_[0].name}, {"white", entrants_[1].name},
                {"plies", plies_},  {"over", finished_},          {"result", result_},
                {"reason", reason_}}
        .dump();
}

std::optional<GameResult> WebGame::wait() const {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return finished_; });
    return played_;
}

}  // namespace referee::web
