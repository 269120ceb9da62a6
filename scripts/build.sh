#!/usr/bin/env bash
# Configures and builds into the given folder (default build/); extra arguments go to cmake.
# The release folder build/ is optimised with a profile of typical conversions (see
# scripts/profile.sh); ORDEVIK_NO_PROFILE=1 builds it without one.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
folder=${1:-build}
shift || true
profileOptions=()
if [ "$folder" = build ] && [ $# -eq 0 ] && [ "${ORDEVIK_NO_PROFILE:-0}" != 1 ]; then
    profile=$("$root/scripts/profile.sh")
    profileOptions=(-DORDEVIK_PROFILE=use "-DORDEVIK_PROFILE_DIR=$profile")
else
    profileOptions=(-DORDEVIK_PROFILE=)
fi
cmake -S "$root" -B "$root/$folder" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${profileOptions[@]}" "$@" >/dev/null
cmake --build "$root/$folder" -j "$(nproc)"
