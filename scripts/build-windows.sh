#!/usr/bin/env bash
# Cross-builds the core, ordevik-batch.exe, the wizard ordevik.exe and their tests for
# 64-bit Windows with Debian's mingw-w64 into build-windows/, runs the core tests under
# Wine, runs the window tests (the real window driven in process by control id) under
# Wine in a virtual X server, converts the sample data set with ordevik-batch.exe under
# Wine in all four output forms and compares the trees byte for byte with what the
# Linux build writes, compares its maps (--preview) with the Linux build's, and packs
# build-windows/ordevik-<version>-win64.zip. From the same installation tree it makes
# the setup program ordevik-<version>-setup.exe (NSIS) and the MSI
# ordevik-<version>-x64.msi (wixl) beside the zip, and installs, runs, upgrades and
# removes them under Wine. Installs what is missing.
#
#     ./scripts/build-windows.sh
#
# ORDEVIK_DISPLAY=N runs the X server as display :N; by default it takes a free one.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-windows"

# Wine without its recommends: the tests need no desktop integration.
# Wine draws "ＭＳ Ｐゴシック" with IPA P Gothic, a face made to its metrics, and the
# window tests run in Xvfb with a window manager.
"$root/scripts/install-missing.sh" --no-recommends \
    cmake g++ make g++-mingw-w64-x86-64-posix googletest libcli11-dev nlohmann-json3-dev \
    wine wine64 xvfb openbox fonts-ipafont-gothic nsis wixl msitools python3

# The Linux build to compare with; it also writes the help page of the feature kinds,
# which a cross build cannot run its generator to make.
linux="$root/build-test"
if [ ! -x "$linux/ordevik-batch" ] || [ ! -f "$linux/generated/help/kinds.htm" ]; then
    "$root/scripts/build.sh" build-test
fi

# Optimised as the Linux builds are (-O2), without their debug information, which
# would only make linking the tests slow; -O3 has GCC 12 report string copies that
# cannot overlap.
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
    -DORDEVIK_GTEST_SOURCE=/usr/src/googletest \
    -DORDEVIK_KINDS_PAGE="$linux/generated/help/kinds.htm" >/dev/null
cmake --build "$build" -j "$(nproc)"

# Wine without a display, its prefix kept in the build folder (the first start takes a
# while); Z: is the Linux root there.
export WINEPREFIX="$build/wine" WINEDEBUG=-all DISPLAY=
wine=$(command -v wine64 || command -v wine)
if [ ! -d "$WINEPREFIX" ]; then
    "$wine" wineboot --init >/dev/null 2>&1 || true
    # A copy of the untouched prefix is where each installer test starts from.
    wineserver -w
    rm -rf "$build/wine-fresh"
    cp -a "$WINEPREFIX" "$build/wine-fresh"
fi
finish() {
    wineserver -k 2>/dev/null || true
}
trap finish EXIT

(cd "$build" && "$wine" ./core_tests.exe --gtest_brief=1)

# The window tests show real windows: one X server for them, with a window manager
# (without one, Wine waits about two seconds for every dialog it maps) and the Japanese
# locale that a Japanese Windows has.
if [ -n "${ORDEVIK_DISPLAY:-}" ]; then
    Xvfb ":$ORDEVIK_DISPLAY" -screen 0 1024x768x24 -dpi 96 -nolisten tcp >/dev/null 2>&1 &
    xserver=$!
    display=":$ORDEVIK_DISPLAY"
else
    rm -f "$build/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -dpi 96 -nolisten tcp 3>"$build/display" \
        >/dev/null 2>&1 &
    xserver=$!
    for _ in $(seq 50); do
        [ -s "$build/display" ] && break
        sleep 0.1
    done
    display=":$(cat "$build/display")"
fi
finish() {
    wineserver -k 2>/dev/null || true
    kill "$windowManager" "$xserver" 2>/dev/null || true
}
sleep 0.5
DISPLAY=$display openbox >/dev/null 2>&1 &
windowManager=$!
sleep 0.5
(cd "$build" && DISPLAY=$display LANG=ja_JP.UTF-8 timeout 600 "$wine" ./win_tests.exe --gtest_brief=1)

sample="$root/samples/demo"
compare="$build/compare"
rm -rf "$compare"
mkdir -p "$compare"
forms=0
for layout in "" "--per-kind"; do
    for encoding in "" "--shift-jis"; do
        name="form${layout}${encoding}"
        # Each finds ordevik.ini beside itself.
        "$linux/ordevik-batch" --csv "$sample/filesets.csv" --data "$sample/data" \
            --dtd "$sample/dtd" --out "$compare/linux$name" --quiet $layout $encoding \
            2>"$compare/linux$name.err"
        (cd "$compare" && "$wine" "Z:$build/ordevik-batch.exe" --csv "Z:$sample/filesets.csv" \
            --data "Z:$sample/data" --dtd "Z:$sample/dtd" --out "windows$name" --quiet \
            $layout $encoding 2>"windows$name.err")
        diff -r "$compare/linux$name" "$compare/windows$name"
        # The console gets CR LF on Windows; the dialog lines are otherwise the same.
        tr -d '\r' <"$compare/windows$name.err" | diff "$compare/linux$name.err" -
        forms=$((forms + 1))
    done
done
echo "ordevik-batch.exe under Wine wrote the Linux build's trees in $forms output forms"
# The maps of --preview: the same files and descriptions, and the same pixels wherever
# no text is drawn (left of the north arrow's column, 726), since each system draws text
# with its own face.
"$linux/ordevik-batch" --csv "$sample/filesets.csv" --data "$sample/data" \
    --dtd "$sample/dtd" --out "$compare/linux-maps-xml" --preview "$compare/linux-maps" \
    >"$compare/linux-maps.out" 2>/dev/null
(cd "$compare" && "$wine" "Z:$build/ordevik-batch.exe" --csv "Z:$sample/filesets.csv" \
    --data "Z:$sample/data" --dtd "Z:$sample/dtd" --out windows-maps-xml \
    --preview windows-maps >windows-maps.out 2>/dev/null)
"$root/tests/package/compare-maps.py" "$compare/linux-maps" "$compare/linux-maps.out" \
    "$compare/windows-maps" "$compare/windows-maps.out" 726
# Only this version's zip: a stale one of another name or version would be listed too.
rm -f "$build"/ordevik-*-win64.zip
(cd "$build" && cpack -G ZIP >/dev/null)
# The wizard and what it reads beside itself are in the package.
packed=$(cmake -E tar tf "$build"/ordevik-*-win64.zip)
for file in ordevik.exe ordevik.ini ordevik.txt ordevik.bmp help/page_1.htm; do
    grep -q "/$file\$" <<<"$packed" || {
        echo "the zip lacks $file" >&2
        exit 1
    }
done
ls "$build"/ordevik-*-win64.zip

# The installers, from the tree the install rules lay out for "Program Files\Ordevik".
started=$SECONDS
stage="$build/stage"
rm -rf "$stage"
cmake --install "$build" --prefix "$stage" --strip >/dev/null
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
"$root/scripts/windows-installers.py" --stage "$stage" --out "$build" --version "$version"
"$root/tests/package/check-windows-installers.sh" "$build" "$version" "$compare/linuxform"
echo "installers made and checked in $((SECONDS - started)) s"
