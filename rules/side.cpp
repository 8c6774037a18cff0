#include "rules/side.h"

namespace rules {

const char* side_name(Side side) {
    return side == Side::Black ? "black" : "white";
}

}  // namespace rules
