#include "referee/match/progress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

namespace referee {
namespace {

std::string points_text(double points) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", points);
    return text;
}

}  // namespace

Progress::Progress(ProgressMode mode, std::ostream& out, std::vector<std::string> names,
                   int to_play)
    : mode_(mode),
      out_(out),
      names_(std::move(names)),
      points_(names_.size(), 0.0),
      to_play_(to_play) {}

std::string Progress::duration(double seconds) {
    const long whole = std::lround(std::max(seconds, 0.0));
    char text[48];
    if (whole >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", whole / 3600, whole / 60 % 60,
                      whole % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

std::string Progress::status() const {
    const double elapsed = std::chrono::duration<double>(Clock::now() - start_).count();
    std::string text = std::to_string(done_) + " of " + std::to_string(to_play_) + " done";
    if (mode_ == ProgressMode::Status)
        text = std::to_string(done_) + " of " + std::to_string(to_play_) + " games done, " +
               std::to_string(playing_) + " playing";
    text += ", " + duration(elapsed) + " elapsed, ";
    // The games still to play take as long, on average, as those played.
    text += done_ == 0 ? std::string("time to go unknown")
                       : duration(elapsed / done_ * (to_play_ - done_)) + " to go";
    std::string score;
    for (std::size_t i = 0; i < names_.size(); ++i)
        score += (i == 0 ? "; " : ", ") + names_[i] + " " + points_text(points_[i]);
    return text + score;
}

void Progress::started(int number, int total, int black, int white) {
    ++playing_;
    if (mode_ == ProgressMode::Lines) {
        out_ << "Playing game " << number << " of " << total << " ("
             << names_[static_cast<std::size_t>(black)] << " vs "
             << names_[static_cast<std::size_t>(white)] << ")\n"
             << std::flush;
    }
    show();
}

void Progress::finished(int number, int total, int black, int white, records::Result result,
                        const std::array<records::PlayerUsage, 2>& usage) {
    --playing_;
    ++done_;
    // A game without a result counts for nobody.
    points_[static_cast<std::size_t>(black)] += result.points(rules::Side::Black).value_or(0);
    points_[static_cast<std::size_t>(white)] += result.points(rules::Side::White).value_or(0);
    if (mode_ == ProgressMode::Lines) {
        out_ << "Game " << number << " of " << total << " over ("
             << names_[static_cast<std::size_t>(black)] << " vs "
             << names_[static_cast<std::size_t>(white)] << "): " << result.text() << "; "
             << status() << "; black used " << records::format_usage(usage[0]) << "; white used "
             << records::format_usage(usage[1]) << '\n'
             << std::flush;
    }
    show();
}

void Progress::hide() {
    if (!shown_)
        return;
    out_ << "\r\033[K" << std::flush;
    shown_ = false;
}

void Progress::show() {
    if (mode_ != ProgressMode::Status)
        return;
    out_ << "\r\033[K" << status() << std::flush;
    shown_ = true;
}

}  // namespace referee
