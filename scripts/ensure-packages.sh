#!/usr/bin/env bash
# Installs the Debian packages named on the command line that are missing.
# The package lists are refreshed only when something has to be installed,
# so a machine that has everything never touches the network.
set -euo pipefail

missing=()
for pkg in "$@"; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$pkg")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "error: packages missing (${missing[*]}); run as root or install them first" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
if ! apt-get update </dev/null; then
  echo "error: apt-get update failed; cannot install ${missing[*]}" >&2
  exit 1
fi
if ! apt-get install -y --no-install-recommends "${missing[@]}" </dev/null; then
  echo "error: apt-get install failed for: ${missing[*]}" >&2
  exit 1
fi
