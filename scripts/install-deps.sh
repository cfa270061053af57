#!/usr/bin/env bash
# Installs the Debian packages of scripts/packages.txt that are missing (as root, or via sudo).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
mapfile -t wanted < <(sed -e 's/#.*//' -e 's/[[:space:]]//g' "$here/packages.txt" | grep -v '^$')
if [ "${1:-}" = "--bench" ]; then
    wanted+=(libxlsxwriter-dev hyperfine)
fi
missing=()
for pkg in "${wanted[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$pkg")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
# Package scripts must not start the servers' system services: the tests start their own.
policy=/usr/sbin/policy-rc.d
created_policy=0
if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' | "${sudo_cmd[@]}" tee "$policy" >/dev/null
    "${sudo_cmd[@]}" chmod +x "$policy"
    created_policy=1
fi
trap '[ $created_policy -eq 1 ] && "${sudo_cmd[@]}" rm -f "$policy"' EXIT
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
