#!/usr/bin/env bash
# Every check CI makes, in order; this is the README's test command and
# exactly what CI runs. It first installs what the tests need
# (tools/packages.sh: apt-get as root, sudo otherwise). Stages:
#   plain     Release build, warnings as errors, whole test suite
#   package   the plain build installed into a temporary prefix, and packed by
#             CPack as a Debian package and unpacked: from each, the installed
#             referee plays a game between the installed players
#   sanitize  Debug build with AddressSanitizer, UndefinedBehaviorSanitizer and
#             LeakSanitizer, whole test suite again (end-to-end games included);
#             any sanitizer report, from a test or from a program it started, fails;
#             the tests that run a game under valgrind are left out there (the
#             sanitize test preset excludes them: valgrind cannot run ASan binaries)
#   format    clang-format dry run over every tracked C++ file
#   tidy      clang-tidy with .clang-tidy over every project source
#   fuzz      each libFuzzer target for FUZZ_SECONDS (default 45) from its corpus
# The last line is "checks: N passed, M failed"; the exit status is non-zero
# when a stage failed. CHECK_STAGES="plain format" runs a subset; the stages
# run from a private copy of the checkout unless CHECK_IN_PLACE=1 (below).
set -uo pipefail
cd "$(dirname "$0")/.." || exit 2
# shellcheck source=tools/packages.sh
source tools/packages.sh
ensure_packages "${test_packages[@]}" || exit 1

# Whether every folder from / down to $1 lets other users through.
others_reach() {
    local dir
    dir=$(cd "$1" && pwd -P) || return 1
    while :; do
        (($(stat -c '0%a' "$dir") & 1)) || return 1
        [[ $dir == / ]] && return 0
        dir=$(dirname "$dir")
    done
}

# The tests must pass wherever a checkout lies, also in a folder no other
# user can enter (root's home, mktemp -d), where players under ids of their
# own reach nothing by its path. CI's own clone is readable by everyone and
# would hide that, so the checks run from a private copy of this checkout
# (its tracked and untracked files and .git, no builds), removed at the end,
# unless CHECK_IN_PLACE=1.
if [[ ${CHECK_IN_PLACE:-} != 1 ]] && others_reach .; then
    copy=$(mktemp -d) || exit 2
    chmod 700 "$copy"
    { git ls-files -co --exclude-standard -z && printf '.git\0'; } |
        tar --null --ignore-failed-read -T - -cf - 2> /dev/null | tar -xf - -C "$copy" || exit 2
    echo "checks: from a private copy of the checkout in $copy (mode 700)"
    CHECK_IN_PLACE=1 "$copy/tools/check.sh"
    status=$?
    rm -rf "$copy"
    exit $status
fi
jobs=$(nproc 2>/dev/null || echo 2)
[[ $jobs -gt 2 ]] || jobs=2
stages=${CHECK_STAGES:-plain package sanitize format tidy fuzz}
fuzz_seconds=${FUZZ_SECONDS:-45}

passed=0
failed=0
failed_names=()

stage_plain() {
    cmake --preset default &&
        cmake --build --preset default -j"$jobs" &&
        ctest --preset default -j"$jobs"
}

# A quiet game between the programs in DIR/bin: exit status 0 and a result.
installed_game() {
    local bin=$1/bin out
    out=$("$bin"/referee --quiet "$bin"/treeplayer "$bin"/gridplayer) || return 1
    echo "$out"
    grep -Eq '(1-0|0-1|1/2-1/2)' <<< "$out"
}

# Installs the Release build into SCRATCH/prefix and packs it as a .deb
# unpacked into SCRATCH/root; a game must be played from each.
package_into() {
    local scratch=$1 deb
    cmake --install build --prefix "$scratch/prefix" > /dev/null &&
        installed_game "$scratch/prefix" || return 1
    if ! (cd build && cpack -G DEB -B "$scratch/deb") > "$scratch/cpack.log" 2>&1; then
        cat "$scratch/cpack.log"
        return 1
    fi
    deb=$(ls "$scratch"/deb/*.deb) || return 1
    dpkg-deb --info "$deb" | grep -E '^ (Package|Version|Depends):'
    dpkg-deb -x "$deb" "$scratch/root" &&
        installed_game "$scratch/root/usr"
}

stage_package() {
    # Builds only what plain has not (nothing after it): install needs every
    # installed program to be there.
    cmake --preset default > /dev/null &&
        cmake --build --preset default -j"$jobs" > /dev/null || return 1
    local scratch status
    # Private (mode 700), as a prefix in root's home is: the installed
    # referee must make it reachable to its players under their own ids.
    scratch=$(mktemp -d) || return 1
    package_into "$scratch"
    status=$?
    rm -rf "$scratch"
    return $status
}

stage_sanitize() {
    # The sanitizers write every report to a file here (see the preset), so
    # that a report from a player started by a test fails the stage even
    # when the test itself passed.
    local reports=build-sanitize/sanitizer-reports
    rm -rf "$reports"
    mkdir -p "$reports"
    cmake --preset sanitize &&
        cmake --build --preset sanitize -j"$jobs" &&
        ctest --preset sanitize -j"$jobs" || return 1
    if compgen -G "$reports/*" > /dev/null; then
        echo "sanitizer reports:"
        cat "$reports"/*
        return 1
    fi
}

cpp_files() {
    git ls-files -- '*.cpp' '*.h' '*.hpp' '*.cc'
}

stage_format() {
    cpp_files | xargs clang-format --dry-run -Werror
}

stage_tidy() {
    # The compile database of the plain build lists every project source;
    # each translation unit is checked once (headers through their users).
    [[ -f build/compile_commands.json ]] || cmake --preset default > /dev/null || return 1
    local sources
    sources=$(cpp_files | grep -E '\.(cpp|cc)$')
    # shellcheck disable=SC2086
    run-clang-tidy -quiet -p build -j "$jobs" $sources > build/clang-tidy.log 2>&1
    local status=$?
    # The fuzz targets exist only in the clang build's database.
    if cmake --preset fuzz > /dev/null; then
        run-clang-tidy -quiet -p build-fuzz -j "$jobs" fuzz/ >> build/clang-tidy.log 2>&1 ||
            status=1
    else
        status=1
    fi
    grep -E "(warning|error):" build/clang-tidy.log | sort -u
    return $status
}

stage_fuzz() {
    cmake --preset fuzz > /dev/null &&
        cmake --build --preset fuzz --target fuzz_all -j"$jobs" || return 1
    local corpus target status=0
    for corpus in fuzz/corpus/*/; do
        target=$(basename "$corpus")
        echo "--- $target for ${fuzz_seconds}s"
        rm -rf build-fuzz/corpus/"$target"
        if ! FUZZ_SKIP_BUILD=1 tools/fuzz.sh "$target" "$fuzz_seconds" \
            > build-fuzz/"$target".log 2>&1; then
            tail -n 60 build-fuzz/"$target".log
            status=1
        fi
        grep -E "stat::number_of_executed_units|stat::peak_rss_mb" build-fuzz/"$target".log
    done
    return $status
}

for stage in $stages; do
    echo "=== $stage"
    start=$SECONDS
    if "stage_$stage"; then
        passed=$((passed + 1))
        echo "=== $stage passed ($((SECONDS - start)) s)"
    else
        failed=$((failed + 1))
        failed_names+=("$stage")
        echo "=== $stage FAILED ($((SECONDS - start)) s)"
    fi
done

[[ $failed -eq 0 ]] || echo "failed stages: ${failed_names[*]}"
echo "checks: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
