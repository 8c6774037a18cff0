#include "referee/stats/standings.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <unordered_map>

#include "referee/formats/swiss_rounds.h"

namespace referee {
namespace {

// The players' places by name, so that a large field is indexed in time
// linear in its games.
class Index {
  public:
    explicit Index(std::vector<std::string>& players) : players_(players) {
        for (std::size_t i = 0; i < players.size(); ++i)
            places_.emplace(players[i], static_cast<int>(i));
    }

    // The player's place, adding a name not seen before at the end.
    int of(const std::string& name) {
        const auto [found, added] = places_.emplace(name, static_cast<int>(players_.size()));
        if (added)
            players_.push_back(name);
        return found->second;
    }

  private:
    std::vector<std::string>& players_;
    std::unordered_map<std::string, int> places_;
};

void add_result(Score& score, double points) {
    if (points == 1)
        ++score.wins;
    else if (points == 0)
        ++score.losses;
    else
        ++score.draws;
}

// Black's points in a finished game, none for "*" (or anything unknown).
std::optional<double> black_points(const records::GameEntry& game) {
    return records::result_of(game).points(rules::Side::Black);
}

std::string format(const char* pattern, double value) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

std::string pad(const std::string& text, std::size_t width, bool left) {
    if (text.size() >= width)
        return text;
    const std::string fill(width - text.size(), ' ');
    return left ? text + fill : fill + text;
}

std::size_t name_width(const Standings& standings) {
    std::size_t width = 6;  // "Player"
    for (const auto& name : standings.players)
        width = std::max(width, name.size());
    return width;
}

// "+120.3  [+10.2, +230.5]" in the width of the column.
std::string rating_cell(const Rating& rating) {
    return pad(format_elo(rating.elo), 6, false) + "  [" + format_elo(rating.low) + ", " +
           format_elo(rating.high) + "]";
}

std::string standings_table(const Standings& standings) {
    const std::size_t width = name_width(standings);
    const bool ratings = standings.players.size() > 2;
    std::string out = "Rank  " + pad("Player", width, true) +
                      "  Points  Games  Wins  Losses  Draws    Score" +
                      (ratings ? "  Rating  95 % interval" : "") + "\n";
    int rank = 0;
    for (const auto& row : standings.rows) {
        const Score& s = row.score;
        const std::string score_percent =
            s.games() == 0 ? "-" : format("%.1f %%", 100 * s.points() / s.games());
        char numbers[128];
        std::snprintf(numbers, sizeof numbers, "  %6.1f  %5d  %4d  %6d  %5d  %7s", s.points(),
                      s.games(), s.wins, s.losses, s.draws, score_percent.c_str());
        out += pad(std::to_string(++rank), 4, false) + "  " +
               pad(standings.players[row.player], width, true) + numbers +
               (row.rating ? "  " + rating_cell(*row.rating) : "") + "\n";
    }
    if (ratings) {
        out +=
            "Rating: maximum-likelihood fit of the logistic Elo model to all games, the "
            "field's average 0;\n"
            "the interval holds the true rating with 95 % confidence.\n";
        if (standings.rating_prior) {
            out +=
                "Some players won or lost every game against the rest (or played none): each "
                "player\nhas one virtual draw against an average opponent added.\n";
        }
    }
    return out;
}

// Rows and columns in standings order, numbered by rank; each cell is the
// row player's points against the column player out of their games.
std::string crosstable(const Standings& standings) {
    if (standings.players.size() > kMaxCrosstablePlayers) {
        return "Crosstable left out: " + std::to_string(standings.players.size()) +
               " players, more than " + std::to_string(kMaxCrosstablePlayers) +
               " fit on a screen; --crosstable FILE or --site DIR writes it.\n";
    }
    const std::size_t width = name_width(standings);
    std::vector<std::vector<std::string>> cells;
    std::size_t cell_width = 3;
    for (const auto& row : standings.rows) {
        std::vector<std::string> line;
        for (const auto& column : standings.rows) {
            std::string cell = crosstable_cell(standings, row.player, column.player);
            cell_width = std::max(cell_width, cell.size());
            line.push_back(std::move(cell));
        }
        cells.push_back(std::move(line));
    }
    std::string out = "Crosstable (row player's points against each column player):\n" +
                      pad("", 4 + 2 + width, true);
    for (std::size_t i = 0; i < standings.rows.size(); ++i)
        out += "  " + pad(std::to_string(i + 1), cell_width, false);
    out += "\n";
    for (std::size_t i = 0; i < standings.rows.size(); ++i) {
        out += pad(std::to_string(i + 1), 4, false) + "  " +
               pad(standings.players[standings.rows[i].player], width, true);
        for (const auto& cell : cells[i])
            out += "  " + pad(cell, cell_width, false);
        out += "\n";
    }
    return out;
}

std::string match_statistics(const Standings& standings, const std::optional<SprtSettings>& sprt) {
    const std::string& first = standings.players[0];
    const Score s = standings.against(0, 1);
    std::string out = score_line(first, standings.players[1], s);
    if (s.games() > 0)
        out += format("  [%.3f]", s.points() / s.games());
    out += "  " + std::to_string(s.games()) + " games\n";
    const Pentanomial& pairs = standings.pairs;
    out += "Pentanomial [0, 0.5, 1, 1.5, 2]: ";
    for (std::size_t k = 0; k < pairs.counts.size(); ++k)
        out += (k > 0 ? ", " : "") + std::to_string(pairs.counts[k]);
    out += " (pairs of games with colours swapped, by " + first + "'s points";
    if (pairs.unpaired > 0) {
        out += "; " + std::to_string(pairs.unpaired) + " unpaired game" +
               (pairs.unpaired > 1 ? "s" : "") + " left out";
    }
    out += ")\n";
    const Sample sample = match_sample(standings);
    out += "Elo difference: " + format_estimate(estimate_elo(sample)) + " (" + first +
           "'s lead, logistic model; 95 % interval, " + model_name(sample.model) + ")\n";
    if (s.games() > 0) {
        out +=
            "Likelihood of superiority: " + format("%.1f %%", 100 * likelihood_of_superiority(s)) +
            " (that " + first + " is stronger)\n";
    }
    if (sprt)
        out += describe_sprt(referee::sprt(sample, *sprt), *sprt) + "\n";
    return out;
}

// Game 2k-1 and 2k of a two-player match form pair k.
Pentanomial pentanomial(const std::vector<std::string>& players,
                        const std::vector<records::GameEntry>& games) {
    std::map<int, std::vector<double>> by_pair;  // the first player's points
    for (const auto& game : games) {
        const auto points = black_points(game);
        if (!points || game.black == game.white || game.game < 1)
            continue;
        by_pair[(game.game - 1) / 2].push_back(game.black == players[0] ? *points : 1 - *points);
    }
    Pentanomial out;
    for (const auto& [pair, points] : by_pair) {
        if (points.size() == 2)
            ++out.counts[static_cast<std::size_t>(2 * (points[0] + points[1]))];
        else
            out.unpaired += static_cast<int>(points.size());
    }
    return out;
}

}  // namespace

std::vector<std::string> players_in_order(const std::vector<records::GameEntry>& games) {
    std::vector<const records::GameEntry*> by_number;
    by_number.reserve(games.size());
    for (const auto& game : games)
        by_number.push_back(&game);
    std::stable_sort(
        by_number.begin(), by_number.end(),
        [](const records::GameEntry* a, const records::GameEntry* b) { return a->game < b->game; });
    std::vector<std::string> players;
    Index index(players);
    for (const records::GameEntry* game : by_number) {
        index.of(game->black);
        if (!is_bye(*game))
            index.of(game->white);
    }
    return players;
}

Standings compute_standings(std::vector<std::string> players,
                            const std::vector<records::GameEntry>& games) {
    Index index(players);
    for (const auto& game : games) {
        index.of(game.black);
        if (!is_bye(game))
            index.of(game.white);
    }
    Standings standings;
    const std::size_t count = players.size();
    std::vector<int> byes;
    for (const auto& game : games) {
        if (!game.reason.empty())
            ++standings.reasons[game.reason];
        if (is_bye(game)) {
            byes.push_back(index.of(game.black));
            continue;
        }
        const auto points = black_points(game);
        if (!points || game.black == game.white) {
            ++standings.unfinished;
            continue;
        }
        const int black = index.of(game.black);
        const int white = index.of(game.white);
        add_result(standings.pair_scores[{black, white}], *points);
        add_result(standings.pair_scores[{white, black}], 1 - *points);
    }
    standings.faults.resize(count);
    for (const auto& game : games) {
        if (game.fault) {
            const int loser = index.of(game.fault->side == "black" ? game.black : game.white);
            ++standings.faults[static_cast<std::size_t>(loser)][game.fault->kind];
        }
    }
    for (std::size_t i = 0; i < count; ++i)
        standings.rows.push_back({static_cast<int>(i), {}, std::nullopt});
    for (const auto& [pair, s] : standings.pair_scores) {
        Score& total = standings.rows[static_cast<std::size_t>(pair.first)].score;
        total.wins += s.wins;
        total.losses += s.losses;
        total.draws += s.draws;
    }
    // A bye is a win, but says nothing of strength: not rated, no opponent.
    for (const int player : byes)
        ++standings.rows[static_cast<std::size_t>(player)].score.wins;
    for (const auto& [pair, s] : standings.pair_scores) {
        standings.rows[static_cast<std::size_t>(pair.first)].buchholz +=
            standings.rows[static_cast<std::size_t>(pair.second)].score.points();
    }
    if (count == 2)
        standings.pairs = pentanomial(players, games);
    if (count > 2) {
        const auto fit = fit_ratings(count, standings.pair_scores);
        for (auto& row : standings.rows)
            row.rating = fit->ratings[static_cast<std::size_t>(row.player)];
        standings.rating_prior = fit->prior;
    }
    // Equal points go by Buchholz, and then keep the order the players were
    // named in: the same input always gives the same table.
    std::stable_sort(standings.rows.begin(), standings.rows.end(),
                     [](const Standing& a, const Standing& b) {
                         if (a.score.points() != b.score.points())
                             return a.score.points() > b.score.points();
                         return a.buchholz > b.buchholz;
                     });
    standings.players = std::move(players);
    return standings;
}

Sample match_sample(const Standings& standings) {
    if (standings.pairs.pairs() > 0)
        return Sample::of(standings.pairs);
    return Sample::of(standings.against(0, 1));
}

Score Standings::against(int i, int j) const {
    const auto found = pair_scores.find({i, j});
    return found == pair_scores.end() ? Score{} : found->second;
}

std::string crosstable_cell(const Standings& standings, int row, int column) {
    if (row == column)
        return "x";
    const Score s = standings.against(row, column);
    return s.games() == 0 ? "-" : format("%g", s.points()) + "/" + std::to_string(s.games());
}

std::string score_line(const std::string& first, const std::string& second, const Score& score) {
    return "Score of " + first + " vs " + second + ": " + std::to_string(score.wins) + " - " +
           std::to_string(score.losses) + " - " + std::to_string(score.draws) +
           " (wins - losses - draws)";
}

std::string fault_counts(const std::map<std::string, int>& kinds) {
    std::vector<std::pair<std::string, int>> sorted(kinds.begin(), kinds.end());
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    std::string out;
    for (const auto& [kind, count] : sorted)
        out += (out.empty() ? "" : ", ") + std::to_string(count) + " " + kind;
    return out;
}

std::string summary_text(const Standings& standings, const std::optional<SprtSettings>& sprt) {
    if (standings.players.empty())
        return "No games.\n";
    std::string out = standings_table(standings);
    if (standings.players.size() == 2)
        out += match_statistics(standings, sprt);
    else if (standings.players.size() > 2)
        out += crosstable(standings);
    if (standings.unfinished > 0)
        out += "Unfinished games (not counted): " + std::to_string(standings.unfinished) + "\n";
    if (!standings.reasons.empty()) {
        out += "Games ended because:\n";
        for (const auto& [sentence, count] : standings.reasons)
            out += pad(std::to_string(count), 6, false) + "  " + sentence + "\n";
    }
    std::string faults;
    for (std::size_t i = 0; i < standings.faults.size(); ++i) {
        if (!standings.faults[i].empty())
            faults += "  " + standings.players[i] + ": " + fault_counts(standings.faults[i]) + "\n";
    }
    if (!faults.empty())
        out += "Faults (games lost by the player's own fault):\n" + faults;
    return out;
}

}  // namespace referee
