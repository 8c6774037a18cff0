// The move lines of a record as records reads them, for tests that compare
// what was played with what was written.
#pragma once

#include <string>
#include <vector>

namespace test_support {

// The move lines of every game of the record, in order, without their time
// comments; empty when the record does not read.
std::vector<std::string> record_moves(const std::string& record_text);

}  // namespace test_support
