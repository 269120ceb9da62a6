#!/usr/bin/env bash
# Installs what is missing and builds. With a display (X11 or Wayland) it opens the
# wizard; without one it converts the bundled sample data set with ordevik-batch into
# out/demo. Extra arguments go to the program (the wizard takes "-r" for its history).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" build
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$root/build/ordevik" "$@"
fi
sample="$root/samples/demo"
out="$root/out/demo"
mkdir -p "$root/out"
"$root/build/ordevik-batch" --csv "$sample/filesets.csv" --data "$sample/data" \
    --dtd "$sample/dtd" --out "$out" --existing overwrite "$@"
