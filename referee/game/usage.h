// What a player used over one game: the records library's form, which the
// record, the results line, the log and the progress lines all write.
#pragma once

#include "records/usage.h"

namespace referee {

using records::PlayerUsage;

}  // namespace referee
