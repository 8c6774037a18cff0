# The Debian 12 packages this project needs, in one place: sourced by
# tools/play.sh (what the build needs), tools/check.sh and .ci/run (what the
# tests and checks need). Not a program: `source tools/packages.sh`, then
# `ensure_packages "${build_packages[@]}"`.

# The compiler, CMake and the libraries every configure of the default preset
# finds: GoogleTest and Google Benchmark included, so that the programs land
# in the same build/ folder the tests use. bubblewrap: the referee's sandbox,
# libseccomp-dev: the system calls it refuses players; libmicrohttpd (found
# through pkg-config): its board in the browser; Eigen: the ratings fit's
# linear algebra; LEMON: Swiss pairings; Boost.Graph: their test.
build_packages=(
    g++ make cmake pkg-config libcli11-dev nlohmann-json3-dev libmicrohttpd-dev
    libgtest-dev libgmock-dev libbenchmark-dev bubblewrap libseccomp-dev libeigen3-dev
    libboost-graph-dev liblemon-dev
)

# Everything tools/check.sh runs on top of that: GNU parallel, and Slurm with
# munge (split runs); chromium, its driver and Selenium (the replay page's
# browser test), dpkg-dev and file (the Debian package), clang and its
# sanitizer runtime (fuzzing), clang-format, clang-tidy, python3, valgrind.
test_packages=(
    "${build_packages[@]}"
    parallel slurm-wlm munge chromium chromium-driver python3-selenium dpkg-dev file
    clang libclang-rt-14-dev clang-format clang-tidy python3 valgrind
)

# Installs whichever of the given packages dpkg does not list as installed:
# with apt-get as root, through sudo otherwise; without sudo (or when sudo
# fails) it names the one command to run as root and returns 1. Nothing is run when all are there.
ensure_packages() {
    if ! command -v dpkg-query > /dev/null; then
        echo "packages: not a Debian system; make sure these (Debian 12 names) are installed:" \
            "$*" >&2
        return 0
    fi
    local package missing=()
    for package in "$@"; do
        [[ $(dpkg-query -W -f='${db:Status-Abbrev}' "$package" 2> /dev/null) == ii* ]] ||
            missing+=("$package")
    done
    [[ ${#missing[@]} -gt 0 ]] || return 0
    local install="apt-get update && apt-get install -y --no-install-recommends ${missing[*]}"
    echo "packages: installing ${missing[*]}" >&2
    if [[ $(id -u) -eq 0 ]]; then
        DEBIAN_FRONTEND=noninteractive bash -c "$install"
    elif command -v sudo > /dev/null && sudo DEBIAN_FRONTEND=noninteractive bash -c "$install"; then
        return 0
    else
        echo "packages: missing ${missing[*]}; as root, run:" >&2
        echo "  $install" >&2
        return 1
    fi
}
