// A record as long as wanted that replay accepts: what the replay tests
// and the replay benchmark both read.
#pragma once

#include <string>

namespace record_samples {

// A record of `plies` moves in which one soldier of each side steps to a
// free square and back, for ever: legal under the checks replay makes, and
// as long as wanted. The game ends in a draw.
std::string shuttle_record(int plies);

}  // namespace record_samples
