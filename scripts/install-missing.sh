#!/usr/bin/env bash
# Installs those of the given Debian packages that are missing (with sudo unless root).
#
#     install-missing.sh [--no-recommends] PACKAGE...
set -euo pipefail
options=()
if [ "${1:-}" = --no-recommends ]; then
    options+=(--no-install-recommends)
    shift
fi
missing=()
for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -gt 0 ] || exit 0
echo "Installing: ${missing[*]}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq -o DPkg::Lock::Timeout=600 \
    "${options[@]}" "${missing[@]}"
