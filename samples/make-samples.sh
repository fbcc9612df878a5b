#!/usr/bin/env bash
# Regenerates the sample booking files of terminal TRM7302 next to this script.
#
# The fixed-width files have no separators and no line ends: every record must
# be exactly its length, so each one is assembled from its fields here and the
# file lengths are checked before anything is written. The dta file keeps the
# CR LF line ends the terminals deliver.
set -euo pipefail

cd "$(dirname "$0")"

# pad TEXT WIDTH: TEXT filled with blanks on the right to WIDTH bytes.
pad() { printf '%-*s' "$2" "$1"; }

# emit NAME LENGTH RECORD...: writes the records back to back after checking
# that each has exactly LENGTH bytes.
emit() {
    local name=$1 length=$2 record
    shift 2
    local tmp
    tmp=$(mktemp "$name.XXXXXX")
    for record in "$@"; do
        if [ "${#record}" -ne "$length" ]; then
            rm -f "$tmp"
            echo "make-samples: $name: record '$record' has ${#record} bytes, not $length" >&2
            exit 1
        fi
        printf '%s' "$record" >>"$tmp"
    done
    chmod 644 "$tmp"
    mv "$tmp" "$name"
}

# 40p, 29 bytes: badge(13) DDMMYY hhmmss code(1) reader(2) one character(1).
# Code 0/1 are the function keys "Kommen"/"Gehen", K is a canteen booking.
r40() { printf '%s%s%s%s%s%s' "$(pad "$1" 13)" "$2" "$3" "$4" "$5" "$6"; }
emit terminal.40p 29 \
    "$(r40 4711 120324 071133 0 01 0)" \
    "$(r40 4712 120324 071409 0 02 0)" \
    "$(r40 4713 120324 114800 K 01 1)" \
    "$(r40 4711 120324 160215 1 01 0)" \
    "$(r40 4712 120324 160530 1 02 0)"

# 50p, 32 bytes: DDMMYY hhmmss badge(13) cost-centre number(7).
# Number 999 has no cost centre in the demo master data.
r50() { printf '%s%s%s%s' "$1" "$2" "$(pad "$3" 13)" "$4"; }
emit terminal.50p 32 \
    "$(r50 130324 070512 4711 0000100)" \
    "$(r50 130324 070844 4714 0000200)" \
    "$(r50 130324 155901 4711 0000100)" \
    "$(r50 130324 160315 4714 0000999)"

# 62p, 33 bytes: DDMMYY hhmmss running number(3) reader(2) two characters(2)
# badge(13) one character(1).
r62() { printf '%s%s%s%s%s%s%s' "$1" "$2" "$3" "$4" "$5" "$(pad "$6" 13)" "$7"; }
emit terminal.62p 33 \
    "$(r62 140324 070133 017 01 00 4711 0)" \
    "$(r62 140324 070240 018 02 00 4714 0)" \
    "$(r62 140324 153012 019 01 00 4711 1)"

# dta: terminal,reader,badge,date,date+time,kind,code,SO=number[,extension].
# Line 3 is a canteen booking (SO=37136 with K01); line 6 lacks its SO= field
# and so has only seven fields.
tmp=$(mktemp buchungen.dta.XXXXXX)
printf '%s\r\n' \
    'TRM7302,1,4711,20240311,20240311071502,KOM,000,SO=0' \
    'TRM7302,2,4712,20240311,20240311072244,KOM,000,SO=0,Kostenstelle=410' \
    'TRM7302,1,4713,20240311,20240311120005,K01,100,SO=37136' \
    'TRM7302,2,4714,20240311,20240311154530,GEH,000,SO=0,VonBis=07:00-15:30' \
    'TRM7302,3,4715,20240311,20240311155012,GEH,000,SO=0' \
    'TRM7302,1,4711,20240311,20240311161012,GEH,000' >"$tmp"
chmod 644 "$tmp"
mv "$tmp" buchungen.dta

wc -c terminal.40p terminal.50p terminal.62p buchungen.dta
