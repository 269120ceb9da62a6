#!/usr/bin/env bash
# Makes the Debian package from a build folder and checks it: its file list, the
# configuration file, the links, the desktop entry and AppStream metadata (validated),
# the English and Japanese manual pages, the links of the installed help pages and the
# READMEs, lintian (no errors), and the unpacked ordevik-batch --version.
#
#     check-package.sh BUILD_FOLDER
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd)
work=$(mktemp -d)
restore() {
    # The build folder goes back to the plain layout its install test expects.
    cmake -S "$root" -B "$build" -DORDEVIK_DEBIAN_LAYOUT=OFF >/dev/null
    rm -rf "$work"
}
trap restore EXIT

cmake -S "$root" -B "$build" -DORDEVIK_DEBIAN_LAYOUT=ON >/dev/null
cmake --build "$build" -j "$(nproc)" >/dev/null
(cd "$build" && rm -f ordevik_*.deb && cpack -G DEB >/dev/null)
package=$(ls "$build"/ordevik_*.deb)
dpkg-deb -x "$package" "$work/root"
dpkg-deb -e "$package" "$work/control"
failed=0
fail() { echo "FAIL: $*"; failed=1; }

[ "$(cat "$work/control/conffiles")" = "/etc/ordevik/ordevik.ini" ] ||
    fail "conffiles does not declare /etc/ordevik/ordevik.ini"
[ -f "$work/root/etc/ordevik/ordevik.ini" ] || fail "no /etc/ordevik/ordevik.ini"
[ "$(readlink "$work/root/usr/lib/ordevik/ordevik.ini")" = /etc/ordevik/ordevik.ini ] ||
    fail "usr/lib/ordevik/ordevik.ini is not a link to /etc/ordevik/ordevik.ini"
for program in ordevik ordevik-batch; do
    [ -x "$work/root/usr/lib/ordevik/$program" ] || fail "no usr/lib/ordevik/$program"
    [ "$(readlink "$work/root/usr/bin/$program")" = "../lib/ordevik/$program" ] ||
        fail "usr/bin/$program is not a link to ../lib/ordevik/$program"
done
for file in usr/lib/ordevik/ordevik.txt usr/lib/ordevik/ordevik.bmp \
    usr/lib/ordevik/help/page_0.htm usr/lib/ordevik/help/page_7.htm \
    usr/lib/ordevik/images/banner.png usr/share/ordevik/dtd/gi.dtd \
    usr/share/ordevik/samples/demo/filesets.csv usr/share/applications/ordevik.desktop \
    usr/share/metainfo/org.ordevik.Ordevik.metainfo.xml \
    usr/share/icons/hicolor/scalable/apps/ordevik.svg \
    usr/share/man/man1/ordevik.1.gz usr/share/man/man1/ordevik-batch.1.gz \
    usr/share/man/ja/man1/ordevik.1.gz usr/share/man/ja/man1/ordevik-batch.1.gz \
    usr/lib/ordevik/help/output.htm usr/lib/ordevik/help/kinds.htm \
    usr/lib/ordevik/help/glossary.htm \
    usr/share/doc/ordevik/copyright usr/share/doc/ordevik/changelog.gz; do
    [ -f "$work/root/$file" ] || fail "no $file"
done
for size in 16 22 24 32 48 64 128 256; do
    [ -f "$work/root/usr/share/icons/hicolor/${size}x$size/apps/ordevik.png" ] ||
        fail "no ${size}x$size icon"
done

desktop-file-validate "$work/root/usr/share/applications/ordevik.desktop" ||
    fail "desktop-file-validate"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/org.ordevik.Ordevik.metainfo.xml" \
    >"$work/appstream.log" 2>&1 || { cat "$work/appstream.log"; fail "appstreamcli validate"; }
for folder in man1 ja/man1; do
    for page in ordevik ordevik-batch; do
        warnings=$(zcat "$work/root/usr/share/man/$folder/$page.1.gz" |
            LC_ALL=C.UTF-8 groff -k -ww -man -Tutf8 -z 2>&1)
        [ -z "$warnings" ] || fail "man page $folder/$page: $warnings"
    done
done
# Every link and picture of the installed help pages, the READMEs and the AppStream
# screenshot lead to files that exist.
"$root/tests/docs/check-links.py" "$root" "$work/root/usr/lib/ordevik" ||
    fail "broken links"
version=$("$work/root/usr/lib/ordevik/ordevik-batch" --version)
[ "$version" = "ordevik-batch $(dpkg-deb -f "$package" Version)" ] ||
    fail "ordevik-batch --version says '$version'"

lintian --allow-root --fail-on error "$package" >"$work/lintian.log" 2>&1 ||
    { cat "$work/lintian.log"; fail "lintian reports errors"; }
echo "lintian on $(basename "$package"):"
sed 's/^/  /' "$work/lintian.log"
[ "$failed" -eq 0 ] && echo "package checks passed"
exit "$failed"
