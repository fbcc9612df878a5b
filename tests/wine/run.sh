#!/usr/bin/env bash
# Runs whole-run tests against the Windows build of the tool under Wine.
#
#   tests/wine/run.sh [ctest arguments...]     e.g.  tests/wine/run.sh -R Run
#
# Builds moltrabeck.exe (scripts/build-windows.sh) and the exit-code launcher,
# builds the Linux test programs, creates a Wine prefix in a temporary folder,
# starts a throwaway test database (or uses the one the environment already
# names, see below) and runs ctest with the arguments given in an environment
# that makes runTool start the Windows program through Wine:
#
#   MOLTRABECK_TOOL_UNDER_WINE  folder with moltrabeck.exe and exitcode_launcher.exe
#   MOLTRABECK_WINE             the Wine loader that runs them
#   WINEPREFIX, WINEDEBUG       the prefix of this run, Wine's messages off
#
# The Windows program reaches the database over TCP on 127.0.0.1, at the port
# that the client library takes from MYSQL_TCP_PORT. When MYSQL_TCP_PORT and
# MOLTRABECK_TEST_USER are set already (scripts/test.sh exports them for the
# server it has started), that server is used and left running.
#
# The whole-run tests carry the label "tool": `tests/wine/run.sh -L tool`
# runs all of them against the Windows program. The ones that need the tool
# linked with the recording canteen sink (runProgram) run the Linux build of
# that variant: the sink is a test stand-in, not part of the Windows program.
#
# Where Wine is missing and cannot be installed, says so and exits 0 without
# running anything. Environment: MOLTRABECK_BUILD_DIR (Linux build, default
# build), MOLTRABECK_WIN_BUILD_DIR (default build-win).
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$repo"
linux_build=${MOLTRABECK_BUILD_DIR:-build}
win_build=${MOLTRABECK_WIN_BUILD_DIR:-build-win}
jobs=${JOBS:-2}
triplet=x86_64-w64-mingw32

die() { echo "wine/run.sh: $*" >&2; exit 1; }

find_wine() {
    local candidate
    for candidate in "$(command -v wine64 || true)" /usr/lib/wine/wine64 "$(command -v wine || true)"; do
        if [ -n "$candidate" ] && [ -x "$candidate" ]; then
            echo "$candidate"
            return 0
        fi
    done
    return 1
}

wine_loader=$(find_wine || true)
if [ -z "$wine_loader" ]; then
    if ! bash scripts/ensure-packages.sh wine wine64 </dev/null || ! wine_loader=$(find_wine); then
        echo "wine/run.sh: SKIPPED: Wine is not installed and cannot be installed on this machine;" \
            "no test ran against the Windows build." >&2
        exit 0
    fi
fi

bash scripts/build-windows.sh "$win_build"
win_bin=$(cd "$win_build/bin" && pwd)
"$triplet-gcc-posix" -municode -O2 -Wall -Wextra -Werror -static \
    -o "$win_bin/exitcode_launcher.exe" tests/wine/exitcode_launcher.c ||
    die "cannot build the exit-code launcher"

bash scripts/ensure-packages.sh cmake g++ pkg-config libgtest-dev libmariadb-dev \
    mariadb-server mariadb-client </dev/null
cmake -S . -B "$linux_build" -DMOLTRABECK_TESTS=ON >/dev/null
cmake --build "$linux_build" -j"$jobs"

wineserver=$(dirname "$wine_loader")/wineserver
[ -x "$wineserver" ] || wineserver=$(command -v wineserver) || die "no wineserver found beside $wine_loader"

scratch=$(mktemp -d "${TMPDIR:-/tmp}/moltrabeck-wine.XXXXXX")
db_dir=
cleanup() {
    if [ -n "$db_dir" ] && [ -f "$db_dir/server.pid" ]; then
        bash scripts/test-db.sh stop "$db_dir" || echo "wine/run.sh: stopping the test database failed" >&2
    fi
    if [ -d "$scratch/prefix" ]; then
        WINEPREFIX=$scratch/prefix "$wineserver" -k 2>/dev/null || true
    fi
    rm -rf "$scratch"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# A fresh prefix per run; no display, no Mono or Gecko installers.
unset DISPLAY WAYLAND_DISPLAY
export WINEPREFIX=$scratch/prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINELOADER=$wine_loader
"$wine_loader" wineboot --init >"$scratch/wineboot.log" 2>&1 </dev/null ||
    { cat "$scratch/wineboot.log" >&2; die "creating the Wine prefix failed"; }
"$wineserver" -w
# One server for the whole run: each start of the tool then costs a fraction
# of a second, and no server is left holding a test's output pipe.
"$wineserver" -p </dev/null >/dev/null 2>&1

# The environment works at all: no arguments give the usage text with
# Windows line ends and the whole exit code 98.
smoke=$scratch/smoke
mkdir -p "$smoke"
(cd "$smoke" && "$wine_loader" "$win_bin/exitcode_launcher.exe" "$smoke/code" \
    "$win_bin/moltrabeck.exe" >"$smoke/out" </dev/null) || true
[ "$(cat "$smoke/code" 2>/dev/null)" = 98 ] ||
    die "moltrabeck.exe without arguments did not report exit code 98 under Wine"
cmp -s <(head -c 17 "$smoke/out") <(printf 'Parameterfehler\r\n') ||
    die "moltrabeck.exe without arguments did not print Parameterfehler with CR LF under Wine"

if [ -n "${MYSQL_TCP_PORT:-}" ] && [ -n "${MOLTRABECK_TEST_USER:-}" ]; then
    echo "wine/run.sh: using the test database at 127.0.0.1:$MYSQL_TCP_PORT"
else
    db_dir=$scratch/db
    bash scripts/test-db.sh start "$db_dir" >/dev/null
    # shellcheck disable=SC1091
    . "$db_dir/env"
fi

export MOLTRABECK_TOOL_UNDER_WINE=$win_bin
export MOLTRABECK_WINE=$wine_loader
ctest --test-dir "$linux_build" --output-on-failure "$@" </dev/null
