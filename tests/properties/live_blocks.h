// Heap blocks currently allocated through operator new in this test binary.
// treeplayer's nodes carry no counter of their own, so a tree released in
// full is shown by this figure returning to where it started.
#pragma once

#include <cstdint>

namespace props {
std::int64_t live_blocks();
}  // namespace props
