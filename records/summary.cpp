#include "records/summary.h"

#include <cmath>

#include "records/json_line.h"

namespace records {
namespace {

// Numbers of the summary as docs/statistics.md describes them: infinity
// has no JSON spelling and is the string "inf" or "-inf"; a zero is 0, never
// -0.0 (which would claim a direction the data does not have).
json number(double value) {
    if (std::isinf(value))
        return value > 0 ? "inf" : "-inf";
    return value == 0 ? 0.0 : value;
}

// An estimate's three numbers, null where there is no estimate (no games).
void add_estimate(json& item, const char* key, const std::optional<EloInterval>& estimate) {
    const std::string name = key;
    item[name] = estimate ? number(estimate->elo) : json(nullptr);
    item[name + "_low"] = estimate ? number(estimate->low) : json(nullptr);
    item[name + "_high"] = estimate ? number(estimate->high) : json(nullptr);
}

const char* verdict_text(SprtVerdict verdict) {
    switch (verdict) {
        case SprtVerdict::AcceptH1:
            return "H1";
        case SprtVerdict::AcceptH0:
            return "H0";
        case SprtVerdict::None:
            return "none";
    }
    return "none";
}

}  // namespace

std::string summary_line(const Summary& summary) {
    json rows = json::array();
    int rank = 0;
    for (const auto& row : summary.standings) {
        json item{{"rank", ++rank},
                  {"player", row.player},
                  {"points", number(row.points)},
                  {"games", row.games},
                  {"wins", row.wins},
                  {"losses", row.losses},
                  {"draws", row.draws},
                  {"score", row.games == 0 ? json(nullptr) : number(row.points / row.games)}};
        if (row.rating)
            add_estimate(item, "rating", row.rating);
        rows.push_back(std::move(item));
    }
    json out{{"players", summary.players},
             {"unfinished", summary.unfinished},
             {"standings", std::move(rows)}};
    if (summary.rating_prior)
        out["rating_prior"] = *summary.rating_prior;
    if (const auto& m = summary.match) {
        json match{{"wins", m->wins},         {"losses", m->losses},
                   {"draws", m->draws},       {"pentanomial", m->pentanomial},
                   {"unpaired", m->unpaired}, {"model", m->model}};
        add_estimate(match, "elo", m->elo);
        match["los"] = m->los ? number(*m->los) : json(nullptr);
        out["match"] = std::move(match);
    }
    out["reasons"] = summary.reasons;
    json faults = json::object();
    for (const auto& [player, kinds] : summary.faults)
        faults[player] = kinds;
    out["faults"] = std::move(faults);
    if (const auto& s = summary.sprt) {
        out["sprt"] = {{"model", s->model},
                       {"elo0", number(s->elo0)},
                       {"elo1", number(s->elo1)},
                       {"alpha", number(s->alpha)},
                       {"beta", number(s->beta)},
                       {"llr", number(s->llr)},
                       {"lower", number(s->lower)},
                       {"upper", number(s->upper)},
                       {"decision", verdict_text(s->verdict)}};
    }
    return dump_line({{"summary", std::move(out)}});
}

}  // namespace records
