#include "referee/site/csv.h"

#include <cstdio>

namespace referee::site {

std::string decimal(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

std::string own_faults(const Standings& standings, int player) {
    const auto place = static_cast<std::size_t>(player);
    return place < standings.faults.size() ? fault_counts(standings.faults[place]) : "";
}

std::string csv_field(const std::string& text) {
    const bool quoted = text.find_first_of(",\"\r\n") != std::string::npos ||
                        (!text.empty() && (text.front() == ' ' || text.back() == ' '));
    if (!quoted)
        return text;
    std::string out = "\"";
    for (const char c : text) {
        out += c;
        if (c == '"')
            out += '"';
    }
    return out + '"';
}

std::string standings_csv(const Standings& standings) {
    std::string out =
        "rank,player,points,games,wins,losses,draws,score,rating,rating_low,rating_high,"
        "faults\n";
    int rank = 0;
    for (const auto& row : standings.rows) {
        const Score& s = row.score;
        out += std::to_string(++rank) + ',' + csv_field(standings.players[row.player]) + ',' +
               decimal(s.points()) + ',' + std::to_string(s.games()) + ',' +
               std::to_string(s.wins) + ',' + std::to_string(s.losses) + ',' +
               std::to_string(s.draws) + ',' +
               (s.games() == 0 ? "" : decimal(100 * s.points() / s.games())) + ',';
        if (row.rating)
            out += format_elo(row.rating->elo) + ',' + format_elo(row.rating->low) + ',' +
                   format_elo(row.rating->high);
        else
            out += ",";
        out += ',' + csv_field(own_faults(standings, row.player)) + '\n';
    }
    return out;
}

std::string crosstable_csv(const Standings& standings) {
    std::string out = "rank,player";
    for (const auto& column : standings.rows)
        out += ',' + csv_field(standings.players[column.player]);
    out += '\n';
    int rank = 0;
    for (const auto& row : standings.rows) {
        out += std::to_string(++rank) + ',' + csv_field(standings.players[row.player]);
        for (const auto& column : standings.rows)
            out += ',' + crosstable_cell(standings, row.player, column.player);
        out += '\n';
    }
    return out;
}

}  // namespace referee::site
