#!/usr/bin/env bash
# A throwaway MariaDB server for the test suite.
#
#   scripts/test-db.sh start DIR   start a server whose files all live in DIR,
#                                  load sql/schema.sql and write DIR/env
#   scripts/test-db.sh stop DIR    shut that server down and wait for it
#
# The server listens on DIR/mysqld.sock and on a free TCP port of 127.0.0.1
# only. DIR/env holds the settings the tests need; `. DIR/env` exports them:
# MYSQL_UNIX_PORT and MYSQL_TCP_PORT make the client library find this server
# through its own defaults, MOLTRABECK_TEST_USER and MOLTRABECK_TEST_PASSWORD
# are the account the tool connects with (all rights on KORBANIX only).
# Works without standard input, as root or as an ordinary user.
set -euo pipefail

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
test_user=moltrabeck

die() {
  echo "test-db: $*" >&2
  exit 1
}

usage() {
  echo "usage: $0 start|stop DIR" >&2
  exit 2
}

find_program() {
  local name
  for name in "$@"; do
    if command -v "$name" >/dev/null 2>&1; then
      command -v "$name"
      return 0
    fi
    if [ -x "/usr/sbin/$name" ]; then
      echo "/usr/sbin/$name"
      return 0
    fi
  done
  return 1
}

# The server, its installer and the client programs; installs Debian's
# packages when one of them is missing.
locate_programs() {
  server=$(find_program mariadbd mysqld || true)
  installer=$(find_program mariadb-install-db mysql_install_db || true)
  admin=$(find_program mariadb-admin mysqladmin || true)
  client=$(find_program mariadb mysql || true)
  if [ -z "$server" ] || [ -z "$installer" ] || [ -z "$admin" ] || [ -z "$client" ]; then
    bash "$repo_root/scripts/ensure-packages.sh" mariadb-server mariadb-client \
      || die "no MariaDB server available and the packages mariadb-server, mariadb-client could not be installed"
    server=$(find_program mariadbd mysqld) || die "mariadbd not found after installing mariadb-server"
    installer=$(find_program mariadb-install-db mysql_install_db) || die "mariadb-install-db not found"
    admin=$(find_program mariadb-admin mysqladmin) || die "mariadb-admin not found"
    client=$(find_program mariadb mysql) || die "mariadb client not found"
  fi
}

# A loopback port that nothing answers on right now. The server may still
# lose a race for it; start_server then tries another one.
pick_port() {
  local port tries
  for tries in $(seq 1 50); do
    port=$((20000 + (RANDOM * 32768 + RANDOM) % 40000))
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
      echo "$port"
      return 0
    fi
  done
  return 1
}

pid_alive() {
  local pid=$1 state
  kill -0 "$pid" 2>/dev/null || return 1
  # A zombie (nobody reaped it yet) has ended all the same.
  state=$(awk '{print $3}' "/proc/$pid/stat" 2>/dev/null || true)
  [ "$state" != "Z" ]
}

# Runs the SQL on standard input as the server's administrator.
admin_sql() {
  "$client" --no-defaults --socket="$dir/mysqld.sock" --user="$admin_user"
}

start() {
  [ -e "$dir/data" ] && die "$dir/data exists already; stop that server and use a fresh directory"
  locate_programs
  mkdir -p "$dir/data" "$dir/tmp"
  dir=$(cd "$dir" && pwd)
  # A unix socket path holds at most 107 bytes.
  [ ${#dir} -le 90 ] || die "$dir is too long a path for the server's socket; use a shorter one"

  local run_as=() admin_user_opt=()
  admin_user=$(id -un)
  if [ "$(id -u)" -eq 0 ]; then
    run_as=(--user=root)
  fi
  admin_user_opt=(--auth-root-authentication-method=socket --auth-root-socket-user="$admin_user")

  # The system tables are created under the same table-name rule as the
  # server runs with: names compared without case, as the tool writes
  # Korbanix.Kbx321Bew for the database KORBANIX.
  if ! "$installer" --no-defaults "${run_as[@]}" "${admin_user_opt[@]}" \
      --datadir="$dir/data" --skip-test-db --skip-name-resolve \
      --lower-case-table-names=1 >"$dir/install.log" 2>&1 </dev/null; then
    cat "$dir/install.log" >&2
    die "mariadb-install-db failed"
  fi

  local attempt port pid=
  for attempt in 1 2 3 4 5; do
    port=$(pick_port) || die "no free TCP port found on 127.0.0.1"
    "$server" --no-defaults "${run_as[@]}" \
      --datadir="$dir/data" --tmpdir="$dir/tmp" \
      --socket="$dir/mysqld.sock" --pid-file="$dir/mysqld.pid" \
      --log-error="$dir/mysqld.err" \
      --bind-address=127.0.0.1 --port="$port" --skip-name-resolve \
      --lower-case-table-names=1 \
      --innodb-buffer-pool-size=32M --innodb-log-file-size=16M \
      </dev/null >>"$dir/server.out" 2>&1 &
    pid=$!
    echo "$pid" >"$dir/server.pid"

    local waited=0
    while pid_alive "$pid"; do
      if "$admin" --no-defaults --socket="$dir/mysqld.sock" --user="$admin_user" \
          --connect-timeout=2 ping >/dev/null 2>&1 </dev/null; then
        break
      fi
      sleep 0.25
      waited=$((waited + 1))
      if [ "$waited" -ge 240 ]; then
        kill -TERM "$pid" 2>/dev/null || true
        tail -n 30 "$dir/mysqld.err" >&2 || true
        die "the server did not answer within 60 seconds"
      fi
    done
    if pid_alive "$pid"; then
      break
    fi
    wait "$pid" 2>/dev/null || true
    pid=
    if ! grep -q 'Address already in use' "$dir/mysqld.err" 2>/dev/null; then
      tail -n 30 "$dir/mysqld.err" >&2 || true
      die "the server did not start"
    fi
    : >"$dir/mysqld.err"
  done
  [ -n "$pid" ] || die "the server did not start: no free port after 5 attempts"

  local password
  password=$(od -An -N12 -tx1 /dev/urandom | tr -d ' \n')
  admin_sql <<SQL || die "creating the test account failed"
CREATE USER '$test_user'@'localhost' IDENTIFIED BY '$password';
CREATE USER '$test_user'@'127.0.0.1' IDENTIFIED BY '$password';
GRANT ALL PRIVILEGES ON KORBANIX.* TO '$test_user'@'localhost';
GRANT ALL PRIVILEGES ON KORBANIX.* TO '$test_user'@'127.0.0.1';
SQL
  admin_sql <"$repo_root/sql/schema.sql" || die "loading sql/schema.sql failed"

  cat >"$dir/env" <<ENV
export MYSQL_UNIX_PORT=$dir/mysqld.sock
export MYSQL_TCP_PORT=$port
export MOLTRABECK_TEST_USER=$test_user
export MOLTRABECK_TEST_PASSWORD=$password
ENV
  cat "$dir/env"
}

stop() {
  [ -f "$dir/server.pid" ] || die "no server recorded in $dir"
  locate_programs
  local pid waited=0
  pid=$(cat "$dir/server.pid")
  admin_user=$(id -un)
  if pid_alive "$pid"; then
    "$admin" --no-defaults --socket="$dir/mysqld.sock" --user="$admin_user" \
      --connect-timeout=5 shutdown </dev/null >/dev/null 2>&1 || kill -TERM "$pid" 2>/dev/null || true
  fi
  while pid_alive "$pid"; do
    sleep 0.25
    waited=$((waited + 1))
    if [ "$waited" -eq 240 ]; then
      echo "test-db: server $pid still running after 60 seconds; terminating it" >&2
      kill -TERM "$pid" 2>/dev/null || true
    fi
    if [ "$waited" -ge 360 ]; then
      kill -KILL "$pid" 2>/dev/null || true
      break
    fi
  done
  rm -f "$dir/server.pid"
}

[ $# -eq 2 ] || usage
dir=$2
case $1 in
  start) mkdir -p "$dir"; start ;;
  stop) stop ;;
  *) usage ;;
esac
