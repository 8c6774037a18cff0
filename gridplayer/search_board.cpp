#include "gridplayer/search_board.h"

#include <cstdlib>
#include <cstring>
#include <iostream>

#include "gridplayer/engine.h"
#include "gridplayer/square_tables.h"

namespace gridplayer {

SearchScope::SearchScope(node* p) {
    if (search.top != nullptr) {
        std::cerr << "gridplayer: a search cannot start inside another\n";
        std::abort();
    }
    if (n > kMaxSide || m > kMaxSide) {
        std::cerr << "gridplayer: boards larger than " << kMaxSide << " x " << kMaxSide
                  << " cannot be searched\n";
        std::abort();
    }
    squareTables();
    for (int i = 0; i < n; ++i) {
        search.rows[i] = search.cells + static_cast<std::ptrdiff_t>(i) * m;
        std::memcpy(search.rows[i], p->grid[i], sizeof(int) * static_cast<std::size_t>(m));
    }
    search.box.load(p->grid);
    search.kind = engineKind();
    withEngine([](auto engine) { decltype(engine)::load(search.rows); });
    search.top = p;
}

SearchScope::~SearchScope() {
    search.top = nullptr;
    moveStack.clear();
}

}  // namespace gridplayer
