#!/bin/sh
# Plays BOT against OPPONENT twice, so the bot has each colour once, and
# passes only when both games end by the rules: a side lost its town halls or
# had no legal move, a position came three times, or the ply limit came. An
# illegal or malformed move, a loss on time, a crash or a bot that quits all
# fail.
#   play_against.sh REFEREE BOT OPPONENT
referee=$1 bot=$2 opponent=$3
out=$("$referee" --quiet --games 2 "$bot" "$opponent") || {
    echo "referee failed: $out"
    exit 1
}
echo "$out"
finished=$(printf '%s\n' "$out" | grep -c '^Finished game')
by_rules=$(printf '%s\n' "$out" | grep -cE '^Finished game [0-9]+ .*\{(black|white) (lost its town halls|has no legal move)|\{the same position occurred three times|\{the ply limit was reached')
if [ "$finished" -ne 2 ] || [ "$by_rules" -ne 2 ]; then
    echo "FAIL: $finished games finished, $by_rules of them by the rules"
    exit 1
fi
