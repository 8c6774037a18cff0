#!/usr/bin/env bash
# Builds the programs (nothing else: no GoogleTest or Google Benchmark needed)
# in build-play/ and plays one game, treeplayer (black) against gridplayer
# (white) on 8x8, showing the board after every move. Extra arguments go to
# the referee, e.g.
#   tools/play.sh --quiet              only the result line
#   tools/play.sh --record game.txt    also write the game's moves to a file
#   tools/play.sh --games 4 --quiet    a match, the players changing colours
# treeplayer plays 8x8 only; for other boards let gridplayer play itself:
#   build-play/bin/referee --rows 10 --columns 10 build-play/bin/gridplayer build-play/bin/gridplayer
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

# Refuses a board treeplayer cannot play before spending time on the build.
args=("$@")
for ((i = 0; i < ${#args[@]}; i++)); do
    case ${args[i]} in
        -r | --rows | -c | --columns) size=${args[i + 1]:-} ;;
        --rows=* | --columns=*) size=${args[i]#*=} ;;
        *) continue ;;
    esac
    if [[ -n $size && $size != 8 ]]; then
        echo "play.sh: treeplayer plays 8x8 only; gridplayer plays 6 to 10 rows and up to 10" \
            "columns, so let it play itself, e.g. (after one tools/play.sh):" >&2
        echo "  build-play/bin/referee --rows 10 --columns 10 build-play/bin/gridplayer build-play/bin/gridplayer" >&2
        exit 2
    fi
done

echo "play.sh: building referee, treeplayer and gridplayer in build-play/"
cmake --preset play > /dev/null
cmake --build --preset play -j"$jobs"
exec build-play/bin/referee "$@" build-play/bin/treeplayer build-play/bin/gridplayer
