#!/usr/bin/env bash
# check_package.sh BUILD_DIR CPACK CMAKE
#
# Builds the Debian package of BUILD_DIR into a temporary directory, unpacks
# it, and checks that programs, manual pages and example schema are there
# and that the packaged tool runs; then installs BUILD_DIR with
# `cmake --install --prefix` and checks the same files.
set -euo pipefail

build_dir=$1
cpack=$2
cmake=$3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# check_tree ROOT: ROOT holds what an installation must hold, and its tool
# answers a call without arguments the way a caller relies on.
check_tree() {
    local root=$1 f
    for f in bin/moltrabeck bin/moltrabeck-ini; do
        [ -x "$root/$f" ] || fail "$root/$f missing or not executable"
    done
    for f in share/man/man1/moltrabeck.1.gz share/man/man1/moltrabeck-ini.1.gz \
             share/moltrabeck/schema.sql; do
        [ -s "$root/$f" ] || fail "$root/$f missing or empty"
    done
    grep -qi 'create table' "$root/share/moltrabeck/schema.sql" \
        || fail "schema.sql holds no table definition"

    # The pages must render cleanly; a roff mistake shows up as a warning.
    if command -v man >/dev/null; then
        local warnings
        warnings=$(man -l --warnings "$root"/share/man/man1/*.1.gz 2>&1 >/dev/null)
        [ -z "$warnings" ] || fail "manual pages render with warnings: $warnings"
    fi

    # Without arguments: "Parameterfehler" on standard output and 98, from
    # any directory, with nothing written there.
    local rundir="$work/run.$RANDOM" status=0 out
    mkdir -p "$rundir"
    out=$(cd "$rundir" && "$root/bin/moltrabeck" </dev/null) || status=$?
    [ "$status" -eq 98 ] || fail "$root/bin/moltrabeck without arguments exited $status, not 98"
    [[ "$out" == Parameterfehler* ]] || fail "$root/bin/moltrabeck printed: ${out:0:80}"
    [ -z "$(ls -A "$rundir")" ] || fail "a call without arguments left files behind"

    "$root/bin/moltrabeck-ini" --help >/dev/null || fail "moltrabeck-ini --help failed"
}

# Debian package.
"$cpack" --config "$build_dir/CPackConfig.cmake" -G DEB -B "$work/package" >"$work/cpack.log" 2>&1 \
    || { cat "$work/cpack.log" >&2; fail "cpack -G DEB failed"; }
debs=("$work"/package/moltrabeck_*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
    fail "expected one moltrabeck_*.deb, got: ${debs[*]}"
fi
deb=${debs[0]}

[ "$(dpkg-deb -f "$deb" Package)" = moltrabeck ] || fail "package name is not moltrabeck"
dpkg-deb -f "$deb" Depends | grep -q 'libmariadb3' \
    || fail "package does not depend on libmariadb3: $(dpkg-deb -f "$deb" Depends)"

dpkg-deb -x "$deb" "$work/deb"
check_tree "$work/deb/usr"

# Plain installation into a prefix.
"$cmake" --install "$build_dir" --prefix "$work/prefix" >"$work/install.log" 2>&1 \
    || { cat "$work/install.log" >&2; fail "cmake --install failed"; }
check_tree "$work/prefix"

echo "package $(basename "$deb") and cmake --install: ok"
