// gridplayer's bench sets under their old header name; see CMakeLists.txt.
#pragma once

#include "benchsets/gridplayer.h"
