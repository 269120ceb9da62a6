#!/usr/bin/env bash
# Cross-builds the core, ordevik-batch.exe and the core tests for 64-bit Windows with
# Debian's mingw-w64 into build-windows/, runs the tests under Wine, converts the sample
# data set with ordevik-batch.exe under Wine in all four output forms and compares the
# trees byte for byte with what the Linux build writes, and packs
# build-windows/ordevik-batch-<version>-win64.zip. From the same installation tree it
# makes the setup program ordevik-<version>-setup.exe (NSIS) and the MSI
# ordevik-<version>-x64.msi (wixl) beside the zip, and installs, runs, upgrades and
# removes them under Wine. Installs what is missing.
#
#     ./scripts/build-windows.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-windows"

# Wine without its recommends: the tests need no desktop integration.
"$root/scripts/install-missing.sh" --no-recommends \
    cmake g++ make g++-mingw-w64-x86-64-posix googletest libcli11-dev nlohmann-json3-dev \
    wine wine64 nsis wixl msitools python3

# Optimised as the Linux builds are (-O2), without their debug information, which
# would only make linking the tests slow; -O3 has GCC 12 report string copies that
# cannot overlap.
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
    -DORDEVIK_GTEST_SOURCE=/usr/src/googletest >/dev/null
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

# The Linux build to compare with.
linux="$root/build-test"
if [ ! -x "$linux/ordevik-batch" ]; then
    "$root/scripts/build.sh" build-test
fi
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

(cd "$build" && cpack -G ZIP >/dev/null)
ls "$build"/ordevik-batch-*-win64.zip

# The installers, from the tree the install rules lay out for "Program Files\Ordevik".
started=$SECONDS
stage="$build/stage"
rm -rf "$stage"
cmake --install "$build" --prefix "$stage" --strip >/dev/null
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
"$root/scripts/windows-installers.py" --stage "$stage" --out "$build" --version "$version"
"$root/tests/package/check-windows-installers.sh" "$build" "$version" "$compare/linuxform"
echo "installers made and checked in $((SECONDS - started)) s"
