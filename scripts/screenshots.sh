#!/usr/bin/env bash
# Takes the README's pictures of the wizard: every page, each dialog and the completion
# state (after a run with skipped kinds, after a full run, and checked against the DTD),
# drawn by the real window in an X server (Xvfb) with the Japanese fonts and, when it
# is installed, the openbox window manager, into docs/images/. The sample data set is
# converted on the way, in a scratch folder. ORDEVIK_DISPLAY=N uses display :N instead
# of the first free one.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" build-test
# The paths show in the pictures: the usual scratch folder, unless another run holds it
# (mkdir takes it or fails at once).
work=/tmp/ordevik-sample
mkdir "$work" 2>/dev/null || work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
display=(-a)
if [ -n "${ORDEVIK_DISPLAY:-}" ]; then
    display=(-n "$ORDEVIK_DISPLAY")
fi
# A screen larger than the window, 24 bits deep; 96 dots per inch, as the layout is
# measured for a 9 pt font at that resolution. The window manager draws the frames.
QT_FONT_DPI=96 xvfb-run "${display[@]}" -s "-screen 0 1024x768x24 -dpi 96" \
    sh -c 'if command -v openbox >/dev/null; then openbox & sleep 1; fi
           exec "$0" screenshots "$1" "$2" "$3"' \
    "$root/build-test/gui_helper" "$root/samples/demo" "$work/set" "$root/docs/images"
ls "$root/docs/images"
