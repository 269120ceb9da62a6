#!/usr/bin/env bash
# Installs what is missing, builds the release build (build/) and makes the Debian
# package from it; prints the package's path. Arguments: the build folder (default
# build/, optimised with the profile as the run and bench scripts build it).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
folder=${1:-build}
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$folder" >/dev/null
# The package keeps the settings file in /etc; only the install rules change.
cmake -S "$root" -B "$root/$folder" -DORDEVIK_DEBIAN_LAYOUT=ON >/dev/null
cmake --build "$root/$folder" -j "$(nproc)" >/dev/null
cd "$root/$folder"
rm -f ordevik_*.deb
cpack -G DEB >/dev/null
ls "$root/$folder"/ordevik_*.deb
