// What a run or a merge publishes once it is complete: --site DIR and
// --crosstable FILE.
#pragma once

#include <string>

#include "referee/match/publish.h"

namespace referee::site {

// Writes the site into `site_dir` and the crosstable into `crosstable_path`,
// each when given; an empty function when neither is.
Publish publisher(const std::string& site_dir, const std::string& crosstable_path);

}  // namespace referee::site
