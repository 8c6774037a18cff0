#!/usr/bin/env bash
# Runs one libFuzzer target for a while from a copy of its checked-in corpus.
#
#   tools/fuzz.sh TARGET [SECONDS]     e.g. tools/fuzz.sh gridplayer_game_fuzz 3600
#   tools/fuzz.sh --list               the targets there are
#
# Builds the 'fuzz' preset first (clang). New inputs the fuzzer finds go to
# build-fuzz/corpus/TARGET, never into the checked-in seeds; a crash or a
# broken property leaves its input as build-fuzz/artifacts/TARGET/crash-* and
# the script exits non-zero. Reproduce one with
#   build-fuzz/fuzz/TARGET build-fuzz/artifacts/TARGET/crash-...
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ "${1:-}" == "--list" ]]; then
    ls fuzz/corpus
    exit 0
fi
if [[ $# -lt 1 ]]; then
    echo "usage: tools/fuzz.sh TARGET [SECONDS]   (tools/fuzz.sh --list for the targets)" >&2
    exit 2
fi
target=$1
seconds=${2:-60}
if [[ ! -d fuzz/corpus/$target ]]; then
    echo "fuzz.sh: no corpus fuzz/corpus/$target (tools/fuzz.sh --list)" >&2
    exit 2
fi

if [[ "${FUZZ_SKIP_BUILD:-0}" != 1 ]]; then
    cmake --preset fuzz > /dev/null
    cmake --build --preset fuzz --target "$target" -j2
fi

work=build-fuzz/corpus/$target
artifacts=build-fuzz/artifacts/$target
mkdir -p "$work" "$artifacts"
cp -n fuzz/corpus/"$target"/* "$work"/ 2>/dev/null || true

# -timeout: one input taking seconds is a hang worth a report.
# -rss_limit_mb: a search that grows without bound is a finding too.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
exec build-fuzz/fuzz/"$target" "$work" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
    -print_final_stats=1 -artifact_prefix="$artifacts"/
