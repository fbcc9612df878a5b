#!/usr/bin/env bash
# The test command: installs what the build and the tests need, builds into
# build/, starts a throwaway database server and runs the whole suite; then
# runs the suite once more built with AddressSanitizer and UBSan (build-asan/),
# runs the whole-run tests against the Windows program under Wine
# (tests/wine/run.sh) and gives each fuzz target a short run (fuzz/run.sh).
# Exits non-zero when any of them fails. Needs no standard input.
#
# Each stage is one function; add a stage by writing its function and
# calling it from main.
set -euo pipefail

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo_root"

build_dir=build
jobs=2
db_dir=

packages=(cmake g++ pkg-config libgtest-dev libmariadb-dev mariadb-server mariadb-client)
# The fuzz targets: clang with its libFuzzer and sanitizer runtimes.
packages+=(clang libclang-rt-14-dev)

install_packages() {
  bash scripts/ensure-packages.sh "${packages[@]}"
}

build() {
  cmake -S . -B "$build_dir" -DMOLTRABECK_TESTS=ON
  cmake --build "$build_dir" -j"$jobs"
}

stop_database() {
  if [ -n "$db_dir" ]; then
    if [ -f "$db_dir/server.pid" ]; then
      bash scripts/test-db.sh stop "$db_dir" || echo "test.sh: stopping the test database failed" >&2
    fi
    rm -rf "$db_dir"
    db_dir=
  fi
}

start_database() {
  db_dir=$(mktemp -d "${TMPDIR:-/tmp}/moltrabeck-db.XXXXXX")
  trap stop_database EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  bash scripts/test-db.sh start "$db_dir" >/dev/null
  # shellcheck disable=SC1091
  . "$db_dir/env"
}

run_tests() {
  ctest --test-dir "$build_dir" --output-on-failure
}

# --- Checked runs: the sanitized suite and the fuzz smoke test -------------
# Any sanitizer report ends the reporting process with an abort, so it fails
# its test; the whole-run tests start the sanitized tool of the same build,
# which inherits these settings.
sanitized_build_dir=build-asan
fuzz_smoke_seconds=5

build_sanitized() {
  cmake -S . -B "$sanitized_build_dir" -DMOLTRABECK_TESTS=ON -DMOLTRABECK_SANITIZE=ON
  cmake --build "$sanitized_build_dir" -j"$jobs"
}

run_sanitized_tests() {
  ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1:strict_string_checks=1 \
  UBSAN_OPTIONS=halt_on_error=1:abort_on_error=1:print_stacktrace=1 \
    ctest --test-dir "$sanitized_build_dir" --output-on-failure
}

fuzz_smoke() {
  bash fuzz/run.sh "$fuzz_smoke_seconds"
}
# ---------------------------------------------------------------------------

# --- The Windows program under Wine ----------------------------------------
# Builds moltrabeck.exe (the first build also compiles the Windows client
# library into a cache folder) and runs the whole-run tests (label "tool")
# against it on the database started above. Where Wine cannot be installed
# the stage says so and passes without running anything.
wine_tests() {
  MOLTRABECK_BUILD_DIR=$build_dir bash tests/wine/run.sh -L tool
}
# ---------------------------------------------------------------------------

main() {
  install_packages
  build
  build_sanitized
  start_database
  local status=0
  run_tests || status=$?
  run_sanitized_tests || status=$?
  wine_tests || status=$?
  stop_database
  fuzz_smoke || status=$?
  return "$status"
}

main "$@" </dev/null
