#!/usr/bin/env bash
# Try moltrabeck in one command.
#
#   bash scripts/demo.sh [--keep] [--build-dir DIR]
#
# Installs what is missing (Debian packages), builds the two programs,
# starts a throwaway MariaDB server with the example schema and the master
# data of a demo terminal, writes the encrypted configuration into a demo
# directory tree laid out as the tool expects, imports the sample files of
# samples/ one by one, and shows each run's exit code, the run log and the
# imported rows. Then it stops the server and removes the demo tree.
#
# --keep         leave the server and the demo tree up and print how to use them
# --build-dir    build directory (default: build-demo, tests not built)
#
# Exits 0 only when every step did what it should. A failing step is named,
# and the server and the demo tree are removed all the same.
set -euo pipefail

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo_root"

keep=0
build_dir=build-demo
terminal=TRM7302

usage() {
  sed -n '4,17p' "$0" | sed 's/^# \{0,1\}//'
  exit "$1"
}

while [ $# -gt 0 ]; do
  case $1 in
    --keep) keep=1 ;;
    --build-dir)
      [ $# -ge 2 ] || usage 2
      build_dir=$2
      shift ;;
    -h|--help) usage 0 ;;
    *) echo "demo: unknown argument: $1" >&2; usage 2 ;;
  esac
  shift
done

current_step="starting"
demo_root=
db_dir=
finished=0

step() {
  current_step=$1
  printf '\n==> %s\n' "$1"
}

fail() {
  echo "demo: $*" >&2
  exit 1
}

stop_server() {
  if [ -n "$db_dir" ] && [ -f "$db_dir/server.pid" ]; then
    bash scripts/test-db.sh stop "$db_dir" || echo "demo: stopping the server failed" >&2
  fi
}

cleanup() {
  local status=$?
  trap - EXIT
  if [ "$finished" -eq 1 ] && [ "$keep" -eq 1 ]; then
    exit "$status"
  fi
  if [ "$finished" -eq 0 ]; then
    echo >&2
    echo "demo: FAILED at step: $current_step" >&2
  fi
  stop_server
  if [ -n "$demo_root" ]; then
    rm -rf "$demo_root"
  fi
  [ "$finished" -eq 1 ] || [ "$status" -ne 0 ] || status=1
  exit "$status"
}

trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Runs a command with its output in a log file; shows the end of the log
# when the command fails.
quietly() {
  local log=$1
  shift
  if ! "$@" >"$log" 2>&1 </dev/null; then
    tail -n 40 "$log" >&2
    fail "command failed: $* (full output in $log)"
  fi
}

# ---------------------------------------------------------------------------
step "Checking the Debian packages the demo needs"
bash scripts/ensure-packages.sh cmake g++ pkg-config libmariadb-dev mariadb-server mariadb-client \
  </dev/null || fail "required packages are missing and could not be installed"
echo "cmake, g++, pkg-config, libmariadb-dev, mariadb-server, mariadb-client: present"

# ---------------------------------------------------------------------------
step "Building moltrabeck and moltrabeck-ini in $build_dir/"
configure=(cmake -S . -B "$build_dir")
# A new build tree skips the test suite (GoogleTest is not needed for the
# demo); an existing one keeps its settings.
[ -f "$build_dir/CMakeCache.txt" ] || configure+=(-DMOLTRABECK_TESTS=OFF)
mkdir -p "$build_dir"
quietly "$build_dir/demo-configure.log" "${configure[@]}"
quietly "$build_dir/demo-build.log" cmake --build "$build_dir" --target moltrabeck moltrabeck-ini -j2
tool=$(cd "$build_dir" && pwd)/moltrabeck
ini_tool=$(cd "$build_dir" && pwd)/moltrabeck-ini
if [ ! -x "$tool" ] || [ ! -x "$ini_tool" ]; then
  fail "the build did not produce $tool and $ini_tool"
fi
echo "built: $tool"
echo "       $ini_tool"

# ---------------------------------------------------------------------------
step "Starting a throwaway MariaDB server with the example schema"
demo_root=$(mktemp -d "${TMPDIR:-/tmp}/moltrabeck-demo.XXXXXX")
db_dir=$demo_root/db
quietly "$demo_root/test-db.log" bash scripts/test-db.sh start "$db_dir"
# shellcheck disable=SC1091
. "$db_dir/env"
echo "server files in $db_dir; socket $MYSQL_UNIX_PORT, port $MYSQL_TCP_PORT on 127.0.0.1"

# Client settings for looking into the database (the demo's own queries and
# the commands printed by --keep).
client_cnf=$demo_root/client.cnf
cat >"$client_cnf" <<CNF
[client]
user=$MOLTRABECK_TEST_USER
password=$MOLTRABECK_TEST_PASSWORD
socket=$MYSQL_UNIX_PORT
database=KORBANIX
CNF
chmod 600 "$client_cnf"
sql() { mariadb --defaults-file="$client_cnf" "$@" </dev/null; }

# ---------------------------------------------------------------------------
step "Loading the master data of terminal $terminal (sql/demo-data.sql)"
mariadb --defaults-file="$client_cnf" <sql/demo-data.sql || fail "loading sql/demo-data.sql failed"
sql -t -e "SELECT TrmNam, TrmSta, TrmTas, TrmMnd, TrmLiz FROM Korbanix.Kbx1140Trm;
           SELECT ZlsTrm, ZlsLes, ZlsKst FROM Korbanix.Kbx401Zls ORDER BY ZlsLes;
           SELECT KidNum, KidKst, KidMnd, KidLiz FROM Korbanix.Kbx120Kid ORDER BY KidId;
           SELECT TtaNum, TtaMnd, TtaAps, TtaFcd, TtaDnc FROM Korbanix.Kbx112Tta ORDER BY TtaId;"

# ---------------------------------------------------------------------------
step "Writing the encrypted configuration and the directory tree"
# The tool finds its configuration and log two levels above its working
# directory: ..\..\Files\Vellantra.Ini and ..\..\Vellantra_php\log\.
work_dir=$demo_root/Import/$terminal
mkdir -p "$demo_root/Files" "$demo_root/Vellantra_php/log" "$work_dir"
"$ini_tool" write --login "$MOLTRABECK_TEST_USER" --pass "$MOLTRABECK_TEST_PASSWORD" \
  --host 127.0.0.1 "$demo_root/Files/Vellantra.Ini" || fail "moltrabeck-ini write failed"
cp samples/buchungen.dta samples/terminal.40p samples/terminal.50p samples/terminal.62p "$work_dir/"
log_file=$demo_root/Vellantra_php/log/MtrabeckLog.txt
(cd "$demo_root" && find Files Vellantra_php Import | sort | sed 's/^/    /')
echo "Files/Vellantra.Ini (LOGIN, PASS and NET8 = 127.0.0.1, encrypted):"
tr -d '\r' <"$demo_root/Files/Vellantra.Ini" | sed 's/^/    /'

# ---------------------------------------------------------------------------
runs=0
# import EXPECTED_EXIT DESCRIPTION ARGS...: one run of the tool in the
# working directory, its console output and its exit code.
import() {
  local expected=$1 description=$2 status=0
  shift 2
  runs=$((runs + 1))
  step "Run $runs: $description"
  echo "\$ cd Import/$terminal && moltrabeck $*"
  (cd "$work_dir" && "$tool" "$@") >"$demo_root/console.out" 2>&1 </dev/null || status=$?
  if [ -s "$demo_root/console.out" ]; then
    # The console speaks Windows-1252; show it as UTF-8.
    iconv -f WINDOWS-1252 -t UTF-8 "$demo_root/console.out" | sed 's/^/    | /'
  else
    echo "    (no console output)"
  fi
  echo "exit code $status (expected $expected)"
  [ "$status" -eq "$expected" ] || fail "moltrabeck $* exited with $status, expected $expected"
}

import 0 "bookings in the delimited format: a canteen line and a faulty line among them" \
  buchungen.dta dta "$terminal"
import 0 "29-byte records (40p) with a canteen booking (code K)" \
  terminal.40p 40p "$terminal"
import 0 "32-byte records (50p): default function key, one unknown cost-centre number" \
  terminal.50p 50p "$terminal"
import 0 "33-byte records (62p), no master data needed" \
  terminal.62p 62p "$terminal"
import 0 "the same 62p file again, with /D: every booking exists already" \
  terminal.62p 62p "$terminal" /D
import 90 "a file that is not there" \
  fehlt.dta dta "$terminal"

# ---------------------------------------------------------------------------
step "The run log ../../Vellantra_php/log/MtrabeckLog.txt (CR LF line ends shown as plain lines)"
[ -f "$log_file" ] || fail "no run log at $log_file"
tr -d '\r' <"$log_file" | iconv -f WINDOWS-1252 -t UTF-8 | sed 's/^/    /'

# ---------------------------------------------------------------------------
step "The imported rows of Korbanix.Kbx321Bew"
sql -t -e "SELECT BewSrc, BewTID, BewLID, BewIDN, BewUhr, BewLfn, BewTas, BewArt, BewKst,
                  BewEra, BewKze, BewBer, BewErq, BewSto, BewRes
           FROM Korbanix.Kbx321Bew ORDER BY BewNr;"

step "Checking the results"
# What the sample files must give: dta 4 bookings (the canteen line is handed
# off, the faulty line skipped), 40p 4 (one canteen record), 50p 4, 62p 3,
# and nothing new from the second 62p run.
rows=$(sql -N -e "SELECT COUNT(*) FROM Korbanix.Kbx321Bew")
[ "$rows" -eq 15 ] || fail "expected 15 rows in Korbanix.Kbx321Bew, found $rows"
counts=$(sql -N -e "SELECT GROUP_CONCAT(CONCAT(BewSrc, '=', n) ORDER BY BewSrc) FROM
                     (SELECT BewSrc, COUNT(*) n FROM Korbanix.Kbx321Bew GROUP BY BewSrc) c")
[ "$counts" = "40p=4,50p=4,62p=3,dta=4" ] || fail "rows per source type: $counts"
duplicates=$(grep -c 'Buchungssatz existiert bereits' "$log_file" || true)
[ "$duplicates" -eq 3 ] || fail "expected 3 existing bookings in the log, found $duplicates"
grep -q 'FEHLERHAFTER BUCHUNGSSATZ' "$log_file" || fail "the faulty dta line is not in the log"
ends=$(grep -c '^<=' "$log_file" || true)
[ "$ends" -eq 5 ] || fail "expected 5 completed runs in the log, found $ends"
echo "15 rows (dta 4, 40p 4, 50p 4, 62p 3), 3 existing bookings reported, 1 faulty line logged"

finished=1
if [ "$keep" -eq 1 ]; then
  cat <<KEEP

==> Demo finished: all $runs runs ended as expected. The server and the demo tree stay up.

  Demo tree:         $demo_root
  Set up a shell:    . $db_dir/env        # MYSQL_UNIX_PORT / MYSQL_TCP_PORT for the client library
  Look at the rows:  mariadb --defaults-file=$client_cnf
  Import a file:     cp YOUR-FILE $work_dir/
                     cd $work_dir && $tool YOUR-FILE dta $terminal /D; echo \$?
  Read the log:      tr -d '\\r' < $log_file
  Stop and remove:   bash $repo_root/scripts/test-db.sh stop $db_dir && rm -rf $demo_root
KEEP
else
  step "Stopping the server and removing the demo tree"
  stop_server
  db_dir=
  rm -rf "$demo_root"
  demo_root=
  printf '\n==> Demo finished: all %d runs ended as expected.\n' "$runs"
fi
