#include "referee/site/site.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <set>

#include "gamepage/folder.h"
#include "referee/site/csv.h"
#include "referee/site/style.h"
#include "text/html.h"
#include "text/printable.h"

namespace referee::site {
namespace {

namespace fs = std::filesystem;

// Names, reasons and a build's output come from players and their authors:
// made printable, then escaped, before they go into a page.
std::string shown(const std::string& text) {
    return text::html_escape(text::printable(text));
}

// Several lines, tabs kept, for a <pre>.
std::string shown_lines(const std::string& text) {
    std::string out;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        out += text::html_escape(text::printable(text.substr(start, end - start), true)) + '\n';
        start = end + 1;
    }
    return out;
}

std::string head(const std::string& title, const std::string& root) {
    return "<!DOCTYPE html><html lang=\"en\"><head><meta charset=\"utf-8\">"
           "<meta name=\"viewport\" content=\"width=device-width\"><title>" +
           shown(title) + "</title><link rel=\"stylesheet\" href=\"" + root +
           "style.css\"></head><body>\n";
}

constexpr const char* kFoot = "</body></html>\n";

// "won 1-0", "lost 0-1", "drew 1/2-1/2", "unfinished *" for the player of
// that colour.
std::string result_for(const records::GameEntry& game, bool black) {
    const auto points =
        records::result_of(game).points(black ? rules::Side::Black : rules::Side::White);
    const std::string word = !points        ? "unfinished"
                             : *points == 1 ? "won"
                             : *points == 0 ? "lost"
                                            : "drew";
    return word + " " + game.result;
}

class Writer {
  public:
    Writer(fs::path dir, const FinishedRun& run, std::ostream& errors)
        : dir_(std::move(dir)), run_(run), errors_(errors) {
        for (const auto& name : run.standings.players)
            add(name);
        for (const auto& build : run.builds)
            add(build.player);
        for (std::size_t i = 0; i < run.standings.rows.size(); ++i)
            ranks_[static_cast<std::size_t>(run.standings.rows[i].player)] = i + 1;
        for (const auto& build : run.builds)
            builds_[build.player] = &build;
    }

    bool write() {
        std::error_code error;
        fs::create_directories(dir_ / "players", error);
        fs::create_directories(dir_ / "games", error);
        if (error) {
            errors_ << "referee: cannot make " << dir_.string() << ": " << error.message() << '\n';
            return false;
        }
        games();
        file("style.css", kSiteStyle);
        file("standings.csv", standings_csv(run_.standings));
        file("crosstable.csv", crosstable_csv(run_.standings));
        for (std::size_t i = 0; i < names_.size(); ++i)
            file(player_page(i), player(i));
        file("index.html", index());
        return ok_;
    }

  private:
    void add(const std::string& name) {
        if (places_.emplace(name, names_.size()).second) {
            names_.push_back(name);
            ranks_.push_back(0);
        }
    }

    void fail(const std::string& why) {
        errors_ << "referee: " << why << '\n';
        ok_ = false;
    }

    void file(const std::string& name, const std::string& content) {
        const fs::path path = dir_ / name;
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << content;
        out.close();
        if (!out)
            fail("cannot write " + path.string() + ": " + std::strerror(errno));
    }

    // A page per game that replays, and their index.
    void games() {
        std::vector<gamepage::GameLine> lines;
        for (const auto& entry : run_.games) {
            std::string why;
            const auto game = gamepage::game_of(entry, why);
            if (!game) {
                fail("the site has no page for " + why);
                continue;
            }
            if (const auto failed = gamepage::write_game_page(dir_ / "games", entry.game, *game)) {
                fail(*failed);
                continue;
            }
            paged_.insert(entry.game);
            lines.push_back(gamepage::game_line(entry.game, *game));
        }
        if (const auto failed =
                gamepage::write_games_index(dir_ / "games", lines, "Games", "../index.html"))
            fail(*failed);
    }

    std::string player_link(const std::string& name, const std::string& root) const {
        const auto found = places_.find(name);
        if (found == places_.end())
            return shown(name);
        return "<a href=\"" + root + player_page(found->second) + "\">" + shown(name) + "</a>";
    }

    std::string game_link(int number, const std::string& root) const {
        if (!paged_.contains(number))
            return std::to_string(number);
        return "<a href=\"" + root + "games/" + gamepage::game_page_name(number) + "\">" +
               std::to_string(number) + "</a>";
    }

    std::string standings_table() const {
        const Standings& s = run_.standings;
        const bool ratings = s.players.size() > 2;
        std::string out =
            "<table id=\"standings\"><thead><tr><th class=\"n\">Rank</th><th>Player</th>"
            "<th class=\"n\">Points</th><th class=\"n\">Games</th><th class=\"n\">Wins</th>"
            "<th class=\"n\">Losses</th><th class=\"n\">Draws</th><th class=\"n\">Score</th>";
        if (ratings)
            out += "<th class=\"n\">Rating</th><th>95 % interval</th>";
        out += "<th>Faults</th></tr></thead><tbody>\n";
        int rank = 0;
        for (const auto& row : s.rows) {
            const Score& score = row.score;
            out +=
                "<tr><td class=\"n\">" + std::to_string(++rank) + "</td><td>" +
                player_link(s.players[row.player], "") + "</td><td class=\"n\">" +
                decimal(score.points()) + "</td><td class=\"n\">" + std::to_string(score.games()) +
                "</td><td class=\"n\">" + std::to_string(score.wins) + "</td><td class=\"n\">" +
                std::to_string(score.losses) + "</td><td class=\"n\">" +
                std::to_string(score.draws) + "</td><td class=\"n\">" +
                (score.games() == 0 ? "-" : decimal(100 * score.points() / score.games()) + " %") +
                "</td>";
            if (ratings && row.rating) {
                out += "<td class=\"n\">" + format_elo(row.rating->elo) + "</td><td>[" +
                       format_elo(row.rating->low) + ", " + format_elo(row.rating->high) + "]</td>";
            }
            out += "<td>" + shown(own_faults(s, row.player)) + "</td></tr>\n";
        }
        out += "</tbody></table>\n";
        if (ratings) {
            out +=
                "<p class=\"note\">Rating: maximum-likelihood fit of the logistic Elo model to "
                "all games, the field's average 0; the interval holds the true rating with 95 % "
                "confidence.";
            if (s.rating_prior) {
                out +=
                    " Some players won or lost every game against the rest (or played none): "
                    "each player has one virtual draw against an average opponent added.";
            }
            out += "</p>\n";
        }
        return out;
    }

    std::string crosstable() const {
        const Standings& s = run_.standings;
        std::string out =
            "<h2>Crosstable</h2><p class=\"note\">The row player's points against each column "
            "player, out of their games; columns are numbered by rank.</p><div "
            "class=\"scroll\"><table id=\"crosstable\"><thead><tr><th class=\"n\">Rank</th>"
            "<th>Player</th>";
        for (std::size_t i = 0; i < s.rows.size(); ++i) {
            out += "<th class=\"n\" title=\"" + shown(s.players[s.rows[i].player]) + "\">" +
                   std::to_string(i + 1) + "</th>";
        }
        out += "</tr></thead><tbody>\n";
        for (std::size_t i = 0; i < s.rows.size(); ++i) {
            const int row = s.rows[i].player;
            out += "<tr><td class=\"n\">" + std::to_string(i + 1) + "</td><td class=\"name\">" +
                   player_link(s.players[row], "") + "</td>";
            for (const auto& column : s.rows) {
                out += std::string("<td class=\"n") + (row == column.player ? " self" : "") +
                       "\">" + crosstable_cell(s, row, column.player) + "</td>";
            }
            out += "</tr>\n";
        }
        return out + "</tbody></table></div>\n";
    }

    std::string left_out() const {
        std::string out;
        for (const auto& build : run_.builds) {
            if (!build.ok) {
                out += "<li>" + player_link(build.player, "") + ": " + shown(build.why) + "</li>\n";
            }
        }
        if (out.empty())
            return out;
        return "<h2>Left out</h2><p>Their builds failed, so they played no game.</p><ul "
               "id=\"left-out\">\n" +
               out + "</ul>\n";
    }

    std::string index() const {
        const Standings& s = run_.standings;
        std::string out = head("Standings", "") + "<h1>Standings</h1>\n<p>" +
                          std::to_string(s.players.size()) + " players, " +
                          std::to_string(run_.games.size()) + " games";
        if (s.unfinished > 0)
            out += " (" + std::to_string(s.unfinished) + " unfinished, not counted)";
        out +=
            ". <a id=\"all-games\" href=\"games/index.html\">Every game</a> · <a "
            "href=\"standings.csv\">standings.csv</a> · <a "
            "href=\"crosstable.csv\">crosstable.csv</a></p>\n";
        out += standings_table() + left_out();
        if (s.players.size() > 1)
            out += crosstable();
        if (!s.reasons.empty()) {
            out += "<h2>Games ended because</h2><table id=\"reasons\"><tbody>\n";
            for (const auto& [sentence, count] : s.reasons) {
                out += "<tr><td class=\"n\">" + std::to_string(count) + "</td><td>" +
                       shown(sentence) + "</td></tr>\n";
            }
            out += "</tbody></table>\n";
        }
        return out + kFoot;
    }

    std::string standing(std::size_t place) const {
        const Standings& s = run_.standings;
        if (ranks_[place] == 0)
            return "<p id=\"standing\">Played no game.</p>\n";
        const Standing& row = s.rows[ranks_[place] - 1];
        const Score& score = row.score;
        std::string out = "<p id=\"standing\">Rank " + std::to_string(ranks_[place]) + " of " +
                          std::to_string(s.rows.size()) + ": " + decimal(score.points()) +
                          " points from " + std::to_string(score.games()) + " games (" +
                          std::to_string(score.wins) + " won, " + std::to_string(score.losses) +
                          " lost, " + std::to_string(score.draws) + " drawn)";
        if (row.rating) {
            out += "; rating " + format_elo(row.rating->elo) + " [" + format_elo(row.rating->low) +
                   ", " + format_elo(row.rating->high) + "]";
        }
        return out + ".</p>\n";
    }

    std::string build(const std::string& name) const {
        const auto found = builds_.find(name);
        if (found == builds_.end())
            return "";
        const records::Build& b = *found->second;
        std::string out = "<h2>Build</h2><p id=\"build\">";
        out += b.ok ? "Built in " + decimal(b.seconds) + " s."
                    : "Left out of the run: the build " + shown(b.why) + " (after " +
                          decimal(b.seconds) + " s).";
        out += "</p>\n";
        if (b.output.empty())
            return out + "<p class=\"note\">The build wrote nothing.</p>\n";
        return out + "<pre id=\"build-output\">" + shown_lines(b.output) + "</pre>\n";
    }

    // The player's games, and those it lost by a fault of its own, by kind.
    std::string player_games(const std::string& name) const {
        std::string rows;
        std::map<std::string, std::vector<int>> faults;
        for (const auto& game : run_.games) {
            const bool black = game.black == name;
            if (!black && game.white != name)
                continue;
            const std::string& opponent = black ? game.white : game.black;
            // By colour, as the standings count them.
            const bool own_fault = game.fault && game.fault->side == (black ? "black" : "white");
            if (own_fault)
                faults[game.fault->kind].push_back(game.game);
            rows += "<tr><td class=\"n\">" + game_link(game.game, "../") + "</td><td>" +
                    player_link(opponent, "../") + "</td><td>" + (black ? "black" : "white") +
                    "</td><td>" + result_for(game, black) + "</td><td>" +
                    shown(game.termination.empty() ? game.reason : game.termination) +
                    "</td><td class=\"n\">" + std::to_string(game.plies) + "</td><td>" +
                    (own_fault ? shown(game.fault->kind) : "") + "</td></tr>\n";
        }
        std::string out = "<h2>Faults</h2>\n";
        if (faults.empty()) {
            out += "<p id=\"no-faults\">No game ended by a fault of this player.</p>\n";
        } else {
            out +=
                "<table id=\"faults\"><thead><tr><th>Kind</th><th class=\"n\">Games</th>"
                "<th>Which</th></tr></thead><tbody>\n";
            for (const auto& [kind, numbers] : faults) {
                out += "<tr><td>" + shown(kind) + "</td><td class=\"n\">" +
                       std::to_string(numbers.size()) + "</td><td>";
                for (std::size_t i = 0; i < numbers.size(); ++i)
                    out += (i > 0 ? ", " : "") + game_link(numbers[i], "../");
                out += "</td></tr>\n";
            }
            out += "</tbody></table>\n";
        }
        out += "<h2>Games</h2>\n";
        if (rows.empty())
            return out + "<p>No games.</p>\n";
        return out +
               "<table id=\"games\"><thead><tr><th class=\"n\">Game</th><th>Opponent</th>"
               "<th>Colour</th><th>Result</th><th>Reason</th><th class=\"n\">Plies</th>"
               "<th>Fault</th></tr></thead><tbody>\n" +
               rows + "</tbody></table>\n";
    }

    std::string player(std::size_t place) const {
        const std::string& name = names_[place];
        return head(name, "../") +
               "<p><a id=\"up\" href=\"../index.html\">Standings</a></p>\n<h1>" + shown(name) +
               "</h1>\n" + standing(place) + build(name) + player_games(name) + kFoot;
    }

    fs::path dir_;
    const FinishedRun& run_;
    std::ostream& errors_;
    std::vector<std::string> names_;
    std::map<std::string, std::size_t> places_;
    std::vector<std::size_t> ranks_;  // by place; 0 for a player without a row
    std::map<std::string, const records::Build*> builds_;
    std::set<int> paged_;  // games with a page
    bool ok_ = true;
};

}  // namespace

std::string player_page(std::size_t place) {
    return "players/player-" + std::to_string(place + 1) + ".html";
}

bool write_site(const fs::path& dir, const FinishedRun& run, std::ostream& errors) {
    return Writer(dir, run, errors).write();
}

}  // namespace referee::site
