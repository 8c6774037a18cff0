#!/usr/bin/env bash
# Builds the programs and plays one game, treeplayer (black) against
# gridplayer (white) on 8x8, showing the board after every move.
# Extra arguments go to the referee, e.g. --rows 10 --columns 10.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs" --target referee treeplayer gridplayer >/dev/null
exec build/bin/referee "$@" build/bin/treeplayer build/bin/gridplayer
