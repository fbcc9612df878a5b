#!/usr/bin/env bash
# Builds moltrabeck.exe and moltrabeck-ini.exe for 64-bit Windows with
# Debian's mingw-w64, statically linked so that they import system DLLs only.
#
# The MySQL-compatible client library for Windows is compiled once from
# Debian's own source package of the database server (its C connector
# directory) and kept in a cache folder for later builds.
#
# Usage: scripts/build-windows.sh [build-dir]      (default: build-win)
# Environment:
#   MOLTRABECK_CLIENT_CACHE  where the Windows client library is kept
#                            (default ${XDG_CACHE_HOME:-$HOME/.cache}/moltrabeck)
#   JOBS                     parallel compile jobs (default 2)
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${1:-$repo/build-win}
cache_root=${MOLTRABECK_CLIENT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/moltrabeck}
client_prefix=$cache_root/client-win64
jobs=${JOBS:-2}
toolchain=$repo/cmake/mingw-w64-x86_64.cmake
triplet=x86_64-w64-mingw32

die() { echo "build-windows: $*" >&2; exit 1; }
note() { echo "build-windows: $*"; }

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"
    elif command -v sudo >/dev/null 2>&1; then sudo "$@"
    else return 1
    fi
}

apt_updated=0
apt_update() {
    [ "$apt_updated" -eq 1 ] && return 0
    as_root apt-get update -q >/dev/null || return 1
    apt_updated=1
}

# Installs the Debian packages given unless all of them are present.
need_packages() {
    local missing=() pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    note "installing ${missing[*]}"
    command -v apt-get >/dev/null 2>&1 ||
        die "cannot install ${missing[*]}: no apt-get on this machine; install them by hand"
    { apt_update && DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -q "${missing[@]}" >/dev/null; } ||
        die "cannot install ${missing[*]} (needs root or sudo and a reachable Debian mirror)"
}

# Adds deb-src entries for the Debian sources this machine already uses, so
# that `apt-get source` works; the hosts come from the existing entries.
enable_deb_src() {
    local list=/etc/apt/sources.list.d/moltrabeck-deb-src.sources
    local legacy=/etc/apt/sources.list.d/moltrabeck-deb-src.list
    if [ -e "$list" ] || [ -e "$legacy" ]; then return 0; fi
    # Nothing to do when the machine has source entries of its own.
    if grep -Eqs '^[[:space:]]*(Types:.*deb-src|deb-src[[:space:]])' \
        /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; then
        return 0
    fi
    local tmp
    tmp=$(mktemp)
    local f
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -e "$f" ] || continue
        # Copy each stanza whose Types carry "deb", with deb-src as its type.
        awk 'function flush() { if (keep) printf "%s\n", block; block = ""; keep = 0 }
             /^[[:space:]]*$/ { flush(); next }
             /^Types:/ { if ($0 ~ /[: \t]deb([ \t]|$)/) keep = 1; block = block "Types: deb-src\n"; next }
             { block = block $0 "\n" }
             END { flush() }' "$f" >>"$tmp"
    done
    if [ -s "$tmp" ]; then
        as_root install -m 0644 "$tmp" "$list" || { rm -f "$tmp"; return 1; }
    else
        for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
            [ -e "$f" ] || continue
            sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$f" >>"$tmp"
        done
        [ -s "$tmp" ] || { rm -f "$tmp"; return 1; }
        as_root install -m 0644 "$tmp" "$legacy" || { rm -f "$tmp"; return 1; }
    fi
    rm -f "$tmp"
    apt_updated=0
}

build_client_library() {
    local work
    work=$(mktemp -d)
    trap 'rm -rf "$work"' RETURN
    need_packages dpkg-dev xz-utils
    enable_deb_src || die "cannot enable deb-src entries for the Debian sources in use"
    apt_update || die "apt-get update failed after enabling deb-src"
    note "fetching the database source package (connector only is built)"
    (cd "$work" && apt-get source -q --download-only mariadb/bookworm >/dev/null 2>&1) ||
        die "apt-get source mariadb/bookworm failed (no deb-src reachable?)"
    local orig
    orig=$(ls "$work"/mariadb_*.orig.tar.* 2>/dev/null | grep -v '\.asc$' | head -n1)
    [ -n "$orig" ] || die "no upstream tarball among the downloaded source files"
    local version=${orig##*/mariadb_}
    version=${version%%.orig.tar.*}
    mkdir "$work/src"
    tar -xf "$orig" -C "$work/src" --strip-components=1 --wildcards '*/libmariadb/*' ||
        die "cannot extract the connector from $orig"
    local src=$work/src/libmariadb
    [ -f "$src/CMakeLists.txt" ] || die "the source package holds no libmariadb directory"

    note "building the Windows client library from $version"
    cmake -S "$src" -B "$work/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release \
        -DWITH_SSL=SCHANNEL -DWITH_UNIT_TESTS=OFF -DWITH_CURL=OFF -DWITH_EXTERNAL_ZLIB=OFF \
        -DCLIENT_PLUGIN_DIALOG=OFF -DCLIENT_PLUGIN_AUTH_GSSAPI_CLIENT=OFF \
        -DCLIENT_PLUGIN_PVIO_SHMEM=STATIC -DCLIENT_PLUGIN_CLIENT_ED25519=STATIC \
        -DCLIENT_PLUGIN_CACHING_SHA2_PASSWORD=STATIC -DCLIENT_PLUGIN_SHA256_PASSWORD=STATIC \
        >"$work/configure.log" 2>&1 ||
        { tail -n 40 "$work/configure.log" >&2; die "configuring the client library failed"; }
    cmake --build "$work/build" --target mariadbclient -j "$jobs" >"$work/build.log" 2>&1 ||
        { tail -n 40 "$work/build.log" >&2; die "building the client library failed"; }

    local lib
    lib=$(find "$work/build" -name libmariadbclient.a | head -n1)
    [ -n "$lib" ] || die "the client library build produced no libmariadbclient.a"
    local stage=$cache_root/client-win64.tmp
    rm -rf "$stage"
    mkdir -p "$stage/include/mysql" "$stage/include/mariadb" "$stage/lib"
    # The public headers, as the connector's own install step lays them out.
    local h
    for h in mysql.h mariadb_com.h mariadb_stmt.h ma_pvio.h ma_tls.h ma_list.h errmsg.h \
        mariadb_dyncol.h mariadb_ctype.h mariadb_rpl.h mysqld_error.h \
        mysql/client_plugin.h mysql/plugin_auth.h mariadb/ma_io.h; do
        cp "$src/include/$h" "$stage/include/$h" || die "the connector has no include/$h"
    done
    cp "$work/build/include/mariadb_version.h" "$stage/include/" ||
        die "the connector build generated no mariadb_version.h"
    cp "$lib" "$stage/lib/"
    echo "$version" >"$stage/VERSION"
    rm -rf "$client_prefix"
    mv "$stage" "$client_prefix"
}

command -v cmake >/dev/null 2>&1 || need_packages cmake
command -v make >/dev/null 2>&1 || need_packages make
need_packages g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
command -v "$triplet-g++-posix" >/dev/null 2>&1 || die "$triplet-g++-posix is missing after the install"

if [ -f "$client_prefix/VERSION" ] && [ -f "$client_prefix/lib/libmariadbclient.a" ]; then
    note "client library $(cat "$client_prefix/VERSION") from $client_prefix"
else
    mkdir -p "$cache_root"
    build_client_library
    note "client library $(cat "$client_prefix/VERSION") kept in $client_prefix"
fi

cmake -S "$repo" -B "$build_dir" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DMOLTRABECK_TESTS=OFF \
    -DMOLTRABECK_WIN_CLIENT_DIR="$client_prefix" >/dev/null ||
    die "configuring $build_dir failed"
cmake --build "$build_dir" --target moltrabeck moltrabeck-ini -j "$jobs" ||
    die "building the Windows programs failed"

mkdir -p "$build_dir/bin"
for exe in moltrabeck.exe moltrabeck-ini.exe; do
    [ -f "$build_dir/$exe" ] || die "$build_dir/$exe was not built"
    cp "$build_dir/$exe" "$build_dir/bin/"
    # Only DLLs that every Windows system has may be imported.
    foreign=$("$triplet-objdump" -p "$build_dir/$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' |
        grep -viE '^(kernel32|user32|advapi32|msvcrt|ws2_32|shlwapi|crypt32|secur32|bcrypt|ntdll|api-ms-win-.*)\.dll$' || true)
    [ -z "$foreign" ] || die "$exe imports non-system DLLs: $foreign"
done
note "built $build_dir/bin/moltrabeck.exe and $build_dir/bin/moltrabeck-ini.exe"
