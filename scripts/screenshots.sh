#!/usr/bin/env bash
# Takes the README's pictures of the wizard: every page, each dialog and the completion
# state, drawn by the real window in an X server (Xvfb) with the Japanese fonts, into
# docs/images/. The sample data set is converted on the way, in a scratch folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" build-test
work=/tmp/ordevik-sample
trap 'rm -rf "$work"' EXIT
# A screen larger than the window, 24 bits deep; 96 dots per inch, as the layout is
# measured for a 9 pt font at that resolution.
QT_FONT_DPI=96 xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" \
    "$root/build-test/gui_helper" screenshots "$root/samples/demo" "$work/set" "$root/docs/images"
ls "$root/docs/images"
