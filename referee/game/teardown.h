// The end of both seats after a game: end of input first, since players
// leave on their own when their input ends; a termination signal for what
// does not, and a kill for what ignores that too. A referee that was itself
// stopped does not wait for the polite stage.
#pragma once

#include <array>

namespace referee {

class Seat;
struct GameConfig;

void end_seats(const std::array<Seat*, 2>& seats, const GameConfig& config);

}  // namespace referee
