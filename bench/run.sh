#!/usr/bin/env bash
# Throughput and memory benchmark of moltrabeck against the database it writes to.
#
#   bench/run.sh [--types "dta 40p 50p 62p"] [--sizes "1000 10000 100000"]
#                [--repeat N] [--build-dir DIR]
#
# For every type and size it generates a booking file (bench/gen_bookings.awk)
# and the master data the file refers to, on a throwaway local server
# (scripts/test-db.sh, reached through its Unix socket), and then:
#
#   1. runs the tool once with the server's general query log on and takes
#      from the log, in order, every statement the tool sent: the lookups,
#      the INSERTs and the COMMIT (one transaction);
#   2. N times (best time counts), each time into an empty bookings table:
#      the tool on the file, then the captured statements replayed through
#      the mariadb command-line client over the same kind of connection.
#
# It prints per type and size the bookings per second of the tool and of the
# replay (best of N), their ratio (tool time / replay time; at most 1.00
# means the tool adds nothing to what the database work itself costs), the
# tool's peak resident memory, and the CPU seconds of the tool and of the
# client in the last repetition (GNU time), which show how much of a run is
# spent in the client and how much waiting for the server. Both timings
# include starting the process and connecting. The largest size runs once
# whatever N is, since its replay alone takes minutes for dta.
#
# Exit status: 0 when every ratio is at most 1.00 and the tool's peak memory
# does not grow with the file size (within 10 %), 3 when a target is missed,
# 1 on any other failure. Not part of the test suite.
set -euo pipefail

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
types=(dta 40p 50p 62p)
sizes=(1000 10000 100000)
repeat=3
build_dir=$repo_root/build-bench
terminal=BENCH

die() {
  echo "bench: $*" >&2
  exit 1
}

while [ $# -gt 0 ]; do
  case $1 in
    --types) read -r -a types <<<"$2"; shift 2 ;;
    --sizes) read -r -a sizes <<<"$2"; shift 2 ;;
    --repeat) repeat=$2; shift 2 ;;
    --build-dir) build_dir=$2; shift 2 ;;
    -h|--help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    *) die "unknown argument $1 (see --help)" ;;
  esac
done
[[ $repeat =~ ^[1-9][0-9]*$ ]] || die "--repeat needs a positive number"

export LC_ALL=C

bash "$repo_root/scripts/ensure-packages.sh" cmake g++ pkg-config libmariadb-dev mariadb-server mariadb-client time \
  || die "required packages are missing"

echo "Building the tool in $build_dir ..."
cmake -S "$repo_root" -B "$build_dir" -DMOLTRABECK_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir" --target moltrabeck moltrabeck-ini -j2 >/dev/null
tool=$(find "$build_dir" -type f -name moltrabeck -perm -u+x | head -n 1)
ini_tool=$(find "$build_dir" -type f -name moltrabeck-ini -perm -u+x | head -n 1)
[ -n "$tool" ] && [ -n "$ini_tool" ] || die "the build produced no moltrabeck / moltrabeck-ini"

work=$(mktemp -d "${TMPDIR:-/tmp}/moltrabeck-bench.XXXXXX")
cleanup() {
  if [ -f "$work/db/server.pid" ]; then
    bash "$repo_root/scripts/test-db.sh" stop "$work/db" || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

echo "Starting a throwaway server ..."
bash "$repo_root/scripts/test-db.sh" start "$work/db" >/dev/null
# shellcheck disable=SC1091
. "$work/db/env"
export MYSQL_PWD=$MOLTRABECK_TEST_PASSWORD

admin() { env -u MYSQL_PWD mariadb --no-defaults --socket="$MYSQL_UNIX_PORT" --user="$(id -un)" --batch --skip-column-names -e "$1"; }
# The tool's connection: Unix socket, test account, latin1.
client=(mariadb --no-defaults --socket="$MYSQL_UNIX_PORT" --user="$MOLTRABECK_TEST_USER"
        --default-character-set=latin1 --batch --skip-column-names KORBANIX)
sql() { "${client[@]}" -e "$1"; }

# The tree the tool expects around its working directory.
tree=$work/tree
run_dir=$tree/work/run
mkdir -p "$tree/Files" "$tree/Vellantra_php/log" "$run_dir"
MYSQL_PWD= "$ini_tool" write --login "$MOLTRABECK_TEST_USER" --pass "$MOLTRABECK_TEST_PASSWORD" \
  "$tree/Files/Vellantra.Ini" >/dev/null

# Master data for everything the files name: the terminal with function-key
# table 1 and default key 1, the function keys 0 to 16, cost centres 1 to 40
# and the 32 readers of the terminal.
{
  echo "INSERT INTO Korbanix.Kbx1140Trm (TrmNam, TrmSta, TrmTas, TrmMnd, TrmLiz) VALUES ('$terminal', NULL, 1, 1, 10);"
  echo "INSERT INTO Korbanix.Kbx112Tta (TtaNum, TtaMnd, TtaDnc, TtaAps, TtaFcd) VALUES (1, 1, 3, '1', 'KOM');"
  for key in 0 $(seq 2 16); do
    echo "INSERT INTO Korbanix.Kbx112Tta (TtaNum, TtaMnd, TtaDnc, TtaAps, TtaFcd) VALUES (1, 1, NULL, '$key', 'F$key');"
  done
  for number in $(seq 1 40); do
    echo "INSERT INTO Korbanix.Kbx120Kid (KidNum, KidKst, KidMnd, KidLiz) VALUES ($number, 'KST$number', 1, 10);"
  done
  for reader in $(seq 1 32); do
    echo "INSERT INTO Korbanix.Kbx401Zls (ZlsTrm, ZlsLes, ZlsKst) VALUES ('$terminal', $reader, '$reader');"
  done
} | "${client[@]}"

now() { echo "$EPOCHREALTIME"; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.6f", b - a }'; }
peak_kib() { sed -n 's/^[[:space:]]*Maximum resident set size (kbytes): //p' "$1"; }
# User plus system CPU seconds of the process that GNU time measured.
cpu_seconds() {
  awk -F': ' '/User time \(seconds\)|System time \(seconds\)/ { sum += $2 } END { printf "%.2f", sum }' "$1"
}
bookings_in_table() { sql "SELECT COUNT(*) FROM Korbanix.Kbx321Bew"; }

# Runs the tool on the file; sets tool_seconds and tool_kib.
run_tool() {
  local name=$1 type=$2 start end status=0
  start=$(now)
  (cd "$run_dir" && /usr/bin/time -v -o "$work/time.txt" "$tool" "$name" "$type" "$terminal" >"$work/tool.out") \
    || status=$?
  end=$(now)
  [ "$status" -eq 0 ] || die "the tool ended with $status on $name; see $tree/Vellantra_php/log"
  tool_seconds=$(elapsed "$start" "$end")
  tool_kib=$(peak_kib "$work/time.txt")
  tool_cpu=$(cpu_seconds "$work/time.txt")
}

# Replays the captured statements; sets replay_seconds.
run_replay() {
  local start end
  start=$(now)
  /usr/bin/time -v -o "$work/time-replay.txt" "${client[@]}" <"$work/replay.sql" >/dev/null \
    || die "the replay failed"
  end=$(now)
  replay_seconds=$(elapsed "$start" "$end")
  replay_cpu=$(cpu_seconds "$work/time-replay.txt")
}

# The statements of the tool's session, in order, from the general query log.
capture() {
  local name=$1 type=$2 size=$3 session
  rm -f "$work/general.log"
  sql "TRUNCATE TABLE Korbanix.Kbx321Bew"
  admin "SET GLOBAL general_log_file = '$work/general.log'; SET GLOBAL general_log = ON"
  run_tool "$name" "$type"
  admin "SET GLOBAL general_log = OFF"
  session=$(sed -nE "s/^[^\t]*\t+ *([0-9]+) Connect\t$MOLTRABECK_TEST_USER@localhost on KORBANIX.*/\1/p" \
    "$work/general.log" | tail -n 1)
  [ -n "$session" ] || die "the tool's session is not in the general log"
  sed -nE "s/^[^\t]*\t+ *$session Query\t(.*)$/\1;/p" "$work/general.log" >"$work/replay.sql"
  rm -f "$work/general.log"
  local inserts
  inserts=$(grep -c '^INSERT INTO' "$work/replay.sql" || true)
  [ "$inserts" -eq "$size" ] || die "captured $inserts INSERTs for $size bookings of $type"
  [ "$(tail -n 1 "$work/replay.sql")" = "COMMIT;" ] || die "the captured statements do not end with COMMIT"
  statements=$(wc -l <"$work/replay.sql")
}

lines=()
missed=()
declare -A first_kib

best_of() { awk -v a="$1" -v b="$2" 'BEGIN { print (b == "" || a < b) ? a : b }'; }
one_import() {
  sql "TRUNCATE TABLE Korbanix.Kbx321Bew"
  if [ "$1" = tool ]; then
    run_tool "$name" "$type"
    best_tool=$(best_of "$tool_seconds" "$best_tool")
    if ((tool_kib > peak)); then peak=$tool_kib; fi
  else
    run_replay
    best_replay=$(best_of "$replay_seconds" "$best_replay")
  fi
  [ "$(bookings_in_table)" -eq "$size" ] || die "the $1 left $(bookings_in_table) of $size bookings"
}

header=(type bookings statements "tool [b/s]" "replay [b/s]" ratio "peak [KiB]" "tool CPU [s]" "client CPU [s]")
printf '%-4s %9s %11s %12s %13s %6s %11s %13s %14s\n' "${header[@]}"
for type in "${types[@]}"; do
  for size in "${sizes[@]}"; do
    name=bench-$size.$type
    awk -v type="$type" -v count="$size" -v terminal="$terminal" -f "$repo_root/bench/gen_bookings.awk" \
      >"$run_dir/$name"
    capture "$name" "$type" "$size"

    runs=$repeat
    [ "$size" -ge 100000 ] && runs=1
    best_tool= best_replay= peak=0
    # Alternating which of the two goes first keeps a trend of the machine
    # (caches, other load) from favouring one of them.
    for ((r = 0; r < runs; r++)); do
      if ((r % 2 == 0)); then
        one_import tool
        one_import replay
      else
        one_import replay
        one_import tool
      fi
    done
    rm -f "$run_dir/$name" "$work/replay.sql"
    : >"$tree/Vellantra_php/log/MtrabeckLog.txt"

    read -r tool_rate replay_rate ratio < <(awk -v n="$size" -v t="$best_tool" -v r="$best_replay" \
      'BEGIN { printf "%.0f %.0f %.2f\n", n / t, n / r, t / r }')
    printf '%-4s %9d %11d %12s %13s %6s %11d %13s %14s\n' "$type" "$size" "$statements" "$tool_rate" "$replay_rate" \
      "$ratio" "$peak" "$tool_cpu" "$replay_cpu"
    lines+=("| $type | $size | $statements | $tool_rate | $replay_rate | $ratio | $peak |")
    if awk -v x="$ratio" 'BEGIN { exit !(x > 1.00) }'; then
      missed+=("$type $size: the tool took $ratio times as long as the replay")
    fi
    [ -n "${first_kib[$type]:-}" ] || first_kib[$type]=$peak
    if [ "$peak" -gt $((first_kib[$type] * 11 / 10)) ]; then
      missed+=("$type $size: peak memory $peak KiB against ${first_kib[$type]} KiB for the smallest file")
    fi
  done
done

echo
echo "Machine: $(nproc) CPUs, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)," \
  "$(awk '/^MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo) memory;" \
  "server $(admin 'SELECT VERSION()'); tool built $(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build_dir/CMakeCache.txt")"
echo
echo "| type | bookings | statements | tool [bookings/s] | replay [bookings/s] | tool/replay time | tool peak RSS [KiB] |"
echo "|---|---:|---:|---:|---:|---:|---:|"
printf '%s\n' "${lines[@]}"

if [ ${#missed[@]} -gt 0 ]; then
  echo
  printf 'TARGET MISSED: %s\n' "${missed[@]}"
  exit 3
fi
echo
echo "Targets met: no ratio above 1.00, peak memory independent of the file size."
