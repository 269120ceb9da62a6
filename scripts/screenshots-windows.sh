#!/usr/bin/env bash
# Takes the README's pictures of the Windows wizard: ordevik's real window under Wine,
# in an X server (Xvfb) with a window manager (openbox) so that the title bars show,
# every page and each dialog, into docs/images/windows/. Wine draws "ＭＳ Ｐゴシック" with
# IPA P Gothic (fonts-ipafont-gothic), a face made to its metrics. Needs the Windows
# build (scripts/build-windows.sh).
#
#     ./scripts/screenshots-windows.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-windows"
images="$root/docs/images/windows"
"$root/scripts/install-missing.sh" --no-recommends xvfb openbox x11-apps netpbm \
    fonts-ipafont-gothic
[ -x "$build/win_tests.exe" ] || "$root/scripts/build-windows.sh"

display=:${ORDEVIK_DISPLAY:-93}
work=$(mktemp -d)
Xvfb "$display" -screen 0 1024x768x24 -dpi 96 -nolisten tcp >/dev/null 2>&1 &
xserver=$!
finish() {
    WINEPREFIX="$build/wine" wineserver -k 2>/dev/null || true
    kill "$windowManager" "$xserver" 2>/dev/null || true
    rm -rf "$work"
}
trap finish EXIT
sleep 1
DISPLAY=$display openbox >/dev/null 2>&1 &
windowManager=$!
sleep 1

export WINEPREFIX="$build/wine" WINEDEBUG=-all DISPLAY=$display LANG=ja_JP.UTF-8
wine=$(command -v wine64 || command -v wine)
mkdir -p "$images" "$work/signals"
"$wine" "$build/win_tests.exe" --screenshots "Z:$work/signals" "Z:$work" &
walker=$!
# Each stop names its picture and the window's frame on the screen, which takes in the
# title bar that the window manager draws.
while kill -0 "$walker" 2>/dev/null; do
    for ready in "$work"/signals/*.ready; do
        [ -e "$ready" ] || continue
        name=$(basename "$ready" .ready)
        read -r left top right bottom <"$ready"
        xwd -root -silent -display "$display" | xwdtopnm 2>/dev/null |
            pnmcut -left "$left" -top "$top" -right $((right - 1)) -bottom $((bottom - 1)) |
            pnmtopng >"$images/$name.png"
        rm "$ready"
    done
    sleep 0.2
done
wait "$walker"
ls "$images"
