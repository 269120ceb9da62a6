#!/usr/bin/env bash
# Takes the README's pictures of the wizard: every page, each dialog and the completion
# state (after a run with skipped kinds, after a full run, and checked against the DTD),
# drawn by the real window with the Japanese fonts in an X server (Xvfb) under a
# window manager (openbox), so that title bars and dialog frames show, into
# docs/images/. The sample data set is converted on the way, in a scratch folder.
#
#     screenshots.sh [DISPLAY]    the X display to start, default :95
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
display=${1:-:95}
"$root/scripts/setup.sh"
"$root/scripts/install-missing.sh" --no-recommends openbox
"$root/scripts/build.sh" build-test
# A short fixed scratch path, as the pictures show it.
work=/tmp/ordevik-sample
rm -rf "$work"
mkdir -p "$work"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT
# A screen larger than the window, 24 bits deep; 96 dots per inch, as the layout is
# measured for a 9 pt font at that resolution.
Xvfb "$display" -screen 0 1024x768x24 -dpi 96 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do
    [ -e "/tmp/.X11-unix/X${display#:}" ] && break
    sleep 0.1
done
# Openbox with its own settings (none of the user's), its title font Japanese-capable.
mkdir -p "$work/config/openbox"
sed -e 's|<name>sans</name>|<name>Noto Sans CJK JP</name>|g' /etc/xdg/openbox/rc.xml \
    >"$work/config/openbox/rc.xml"
DISPLAY=$display XDG_CONFIG_HOME=$work/config openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
sleep 1
DISPLAY=$display QT_QPA_PLATFORM=xcb QT_FONT_DPI=96 \
    "$root/build-test/gui_helper" screenshots "$root/samples/demo" "$work/set" \
    "$root/docs/images"
ls "$root/docs/images"
