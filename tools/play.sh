#!/usr/bin/env bash
# The first command on a fresh Debian 12 machine: installs what the build
# needs (tools/packages.sh), builds every program a user runs - referee,
# treeplayer, gridplayer, replay, explain, randombot - into build/bin, and
# plays one game, treeplayer (black) against gridplayer (white) on 8x8,
# showing the board after every move. Options go to the referee, and file
# names mean what they mean in the folder you run it from:
#   tools/play.sh --quiet              only the result line
#   tools/play.sh --record game.txt    also write the game's record to ./game.txt
#   tools/play.sh --games 4 --quiet    a match, the players changing colours
# The players are always treeplayer and gridplayer: a word that is no option
# (such as human) is refused. To play yourself, after one tools/play.sh:
#   build/bin/referee human build/bin/gridplayer
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$root/build/bin
jobs=$(nproc 2> /dev/null || echo 2)

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
        echo "  build/bin/referee --rows 10 --columns 10 build/bin/gridplayer build/bin/gridplayer" >&2
        exit 2
    fi
done

# shellcheck source=tools/packages.sh
source "$root/tools/packages.sh"
ensure_packages "${build_packages[@]}" || exit 1

echo "play.sh: building referee, treeplayer, gridplayer, replay, explain and randombot in build/bin"
(cd "$root" && cmake --preset default > /dev/null && cmake --build --preset programs -j"$jobs")

# The referee's options that take no value, from its own --help: any other
# option takes the next word as its value, and a word that is neither an
# option nor a value would become a third player.
flags=$("$bin"/referee --help | sed -nE 's/^ +(-[a-z],)?(--[a-z-]+) {2,}.*/\2/p')
for ((i = 0; i < ${#args[@]}; i++)); do
    arg=${args[i]}
    if [[ $arg == --*=* || $arg == --help || $arg == -h ]]; then
        continue
    elif [[ $arg == -* ]]; then
        long=$arg
        [[ $arg == -? ]] && long=$(sed -nE "s/^ +$arg,(--[a-z-]+).*/\1/p" <<< "$("$bin"/referee --help)")
        grep -qxF -- "$long" <<< "$flags" || i=$((i + 1))
        continue
    fi
    echo "play.sh: \"$arg\" is not an option: tools/play.sh always plays treeplayer against" \
        "gridplayer. To play a side yourself: $bin/referee human $bin/gridplayer" >&2
    exit 2
done

exec "$bin"/referee "$@" "$bin"/treeplayer "$bin"/gridplayer
