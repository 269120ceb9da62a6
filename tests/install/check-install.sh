#!/usr/bin/env bash
# Installs a build into a fresh prefix and converts the installed sample with the
# installed ordevik-batch, called through its link in bin/, with the installed DTD and
# its default settings. The tree must be the one the build folder's program writes
# from the source tree's files.
#
#     check-install.sh BUILD_FOLDER SOURCE_FOLDER
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
if grep -q '^ORDEVIK_DEBIAN_LAYOUT:BOOL=ON' "$build/CMakeCache.txt"; then
    # That layout installs into /etc, outside any prefix.
    echo "skipped: $build is configured for the Debian package"
    exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/prefix" >/dev/null
prefix=$work/prefix
[ -L "$prefix/bin/ordevik-batch" ] || { echo "bin/ordevik-batch is not a link"; exit 1; }
[ -f "$prefix/lib/ordevik/ordevik.ini" ] || { echo "no settings beside the program"; exit 1; }

sample=$prefix/share/ordevik/samples/demo
# From another folder, so that nothing is found relative to where it is called.
(cd "$work" && "$prefix/bin/ordevik-batch" --csv "$sample/filesets.csv" \
    --data "$sample/data" --dtd "$prefix/share/ordevik/dtd" --out "$work/installed" --quiet)
"$build/ordevik-batch" --csv "$source/samples/demo/filesets.csv" \
    --data "$source/samples/demo/data" --dtd "$source/resources" \
    --settings "$source/resources/ordevik.ini" --out "$work/built" --quiet

if ! diff -r "$work/built" "$work/installed"; then
    echo "the installed program wrote another tree"
    exit 1
fi
files=$(find "$work/installed" -type f | wc -l)
echo "installed program: $files files, the same as the build's"
