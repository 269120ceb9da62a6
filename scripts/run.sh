#!/usr/bin/env bash
# Installs what is missing, builds, and converts the bundled sample data set.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" build
sample="$root/samples/demo"
out="$root/out/demo"
mkdir -p "$root/out"
"$root/build/ordevik-batch" --csv "$sample/filesets.csv" --data "$sample/data" \
    --dtd "$sample/dtd" --out "$out" --existing overwrite "$@"
