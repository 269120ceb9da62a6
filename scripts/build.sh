#!/usr/bin/env bash
# Configures and builds into the given folder (default build/); extra arguments go to cmake.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
folder=${1:-build}
shift || true
cmake -S "$root" -B "$root/$folder" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$root/$folder" -j "$(nproc)"
