#!/usr/bin/env bash
# Installs what is missing, builds, generates the benchmark data set (once per scale)
# and prints the figures. Arguments go to bench/bench.py (--scale, --runs, --work).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" build
python3 "$root/bench/bench.py" "$@"
