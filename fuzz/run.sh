#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, ASan, UBSan) into build-fuzz/
# and runs each for SECONDS seconds, starting from its committed seed corpus
# in fuzz/corpus/<target>/. The fuzzer works on a scratch copy, so the
# committed corpus never grows. Fails when any target reports a finding; its
# reproducer is kept in build-fuzz/findings/<target>/ and the output in
# build-fuzz/logs/<target>.log.
#
# Usage: fuzz/run.sh SECONDS [TARGET...]    (default: every target)
# Replay one input: build-fuzz/fuzz/<target> <file>
set -euo pipefail

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo_root"

build_dir=${MOLTRABECK_FUZZ_BUILD:-build-fuzz}
all_targets=(fuzz_split_line fuzz_ini_reader fuzz_value_cipher fuzz_text_stream fuzz_record_fill)

if [ $# -lt 1 ] || ! [[ $1 =~ ^[0-9]+$ ]] || [ "$1" -lt 1 ]; then
  echo "usage: fuzz/run.sh SECONDS [TARGET...]" >&2
  exit 2
fi
seconds=$1
shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all_targets[@]}")

mkdir -p "$build_dir/logs"
build_log="$build_dir/logs/build.log"
if ! { CC=clang CXX=clang++ cmake -S . -B "$build_dir" -DMOLTRABECK_FUZZ=ON -DMOLTRABECK_TESTS=OFF &&
       cmake --build "$build_dir" --target "${targets[@]}" -j2; } >"$build_log" 2>&1; then
  tail -n 40 "$build_log" >&2
  echo "fuzz/run.sh: building the fuzz targets failed (log: $build_log)" >&2
  exit 1
fi

export ASAN_OPTIONS=${ASAN_OPTIONS:-halt_on_error=1:abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:abort_on_error=1:print_stacktrace=1}

scratch=$(mktemp -d "${TMPDIR:-/tmp}/moltrabeck-fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

failed=()
for target in "${targets[@]}"; do
  binary="$build_dir/fuzz/$target"
  corpus="$scratch/$target"
  findings="$build_dir/findings/$target"
  log="$build_dir/logs/$target.log"
  mkdir -p "$corpus" "$findings"
  cp fuzz/corpus/"$target"/* "$corpus"/

  status=0
  "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" >"$log" 2>&1 || status=$?

  # The last status line of libFuzzer: executions, coverage, corpus.
  summary=$(grep -E '^#[0-9]+' "$log" | tail -n 1 || true)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  if [ "$status" -ne 0 ]; then
    echo "FAIL $target (status $status): $summary"
    grep -E 'ERROR|check failed|runtime error|SUMMARY|Test unit written' "$log" | head -n 20 || true
    failed+=("$target")
  else
    echo "ok   $target: $summary, ${speed:-?} exec/s"
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz/run.sh: findings in: ${failed[*]} (reproducers in $build_dir/findings/, logs in $build_dir/logs/)" >&2
  exit 1
fi
