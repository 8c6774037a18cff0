#!/usr/bin/env bash
# A whole bot in the referee's protocol, in bash: capture when it can, else
# step forward. bash's echo writes at once, so nothing needs flushing here.
#   referee examples/shell_bot.sh gridplayer
read -r id rows columns _ || exit 0
if [ "$id" = 1 ]; then me=b forward=-1; else me=w forward=1; fi

declare -A board # "x,y" -> b, B (black soldier, town hall), w, W (white's)
for ((x = 0; x < columns; x++)); do
    if ((x % 2 == 0)); then
        board[$x,0]=W
        for ((y = rows - 3; y < rows; y++)); do board[$x,$y]=b; done
    else
        board[$x,$((rows - 1))]=B
        for ((y = 0; y < 3; y++)); do board[$x,$y]=w; done
    fi
done

# M moves the piece from the source to the target; B only empties the target.
apply() {
    if [ "$4" = M ]; then
        board[$5,$6]=${board[$2,$3]}
        unset "board[$2,$3]"
    else
        unset "board[$5,$6]"
    fi
}

choose() {
    local key x y dx tx ty there step=""
    move=""
    for key in "${!board[@]}"; do
        [ "${board[$key]}" = "$me" ] || continue
        x=${key%,*} y=${key#*,}
        for dx in -1 0 1; do
            tx=$((x + dx)) ty=$((y + forward))
            ((tx >= 0 && tx < columns && ty >= 0 && ty < rows)) || continue
            there=${board[$tx,$ty]:-}
            [ "${there,,}" = "$me" ] && continue
            if [ -n "$there" ]; then
                move="S $x $y M $tx $ty"
                return
            fi
            [ -n "$step" ] || step="S $x $y M $tx $ty"
        done
    done
    move=$step
}

if [ "$me" = w ]; then
    read -r line || exit 0
    apply $line
fi
while true; do
    choose
    [ -n "$move" ] || exit 0 # no step forward left: exiting gives the game up
    apply $move
    echo "$move"
    read -r line || exit 0 # end of input: the game is over
    apply $line
done
