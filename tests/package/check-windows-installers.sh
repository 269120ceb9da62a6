#!/usr/bin/env bash
# Checks the MSI's summary information and tables, then the setup program and the MSI
# under Wine, each in a fresh prefix: a silent install puts the staged tree into
# "Program Files\Ordevik" byte for byte; the installed ordevik-batch.exe converts the
# installed sample into the reference tree; the Start-menu entry and the "Apps and
# features" entry are there; a newer MSI replaces the older one; a silent uninstall
# leaves no installed file, entry or key behind. Then the setup program's upgrade: a
# newer version replaces an unedited ordevik.ini, keeps an edited one, and removes
# files the newer version no longer has.
#
#     check-windows-installers.sh BUILD_FOLDER VERSION REFERENCE_TREE
#
# BUILD_FOLDER holds stage/ and the packages (scripts/build-windows.sh makes them);
# REFERENCE_TREE is what the Linux build writes from the sample in the default form.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd)
version=$2
reference=$(cd "$3" && pwd)
stage=$build/stage
setup=$build/ordevik-$version-setup.exe
msi=$build/ordevik-$version-x64.msi
work=$build/installer-check
rm -rf "$work"
mkdir -p "$work"

# No prefix until a test makes its own: never the caller's, nor the default one.
export WINEDEBUG=-all DISPLAY= WINEPREFIX=
wine=$(command -v wine64 || command -v wine)
failed=0
fail() {
    echo "FAIL: $*"
    failed=1
}
windowsPath() { # the Linux path as Wine's drive Z: sees it
    printf 'Z:%s' "${1//\//\\}"
}

# A prefix made once by wineboot and never used itself; each test starts from a copy
# of it, which takes seconds where a new prefix takes most of a minute.
template=$build/wine-fresh
if [ ! -f "$template/system.reg" ]; then
    rm -rf "$template"
    WINEPREFIX=$template "$wine" wineboot --init >/dev/null 2>&1 || true
    WINEPREFIX=$template wineserver -w
fi
freshPrefix() {
    export WINEPREFIX=$build/wine-$1
    rm -rf "$WINEPREFIX"
    cp -a "$template" "$WINEPREFIX"
}
endPrefix() {
    if [ -n "$WINEPREFIX" ]; then
        wineserver -k 2>/dev/null || true
    fi
}
trap endPrefix EXIT

programs='C:\Program Files\Ordevik'
startMenu='ProgramData/Microsoft/Windows/Start Menu/Programs'
# Wine's msiexec puts a per-machine package's shortcuts into the user's Start menu, where
# Windows puts them into every user's; either is taken for the MSI.
userStartMenu='users/*/AppData/Roaming/Microsoft/Windows/Start Menu/Programs'
installedFolder() {
    printf '%s/drive_c/Program Files/Ordevik' "$WINEPREFIX"
}

# Every file of the staged tree is installed unchanged, and nothing else but EXTRAS, the
# installer's own files.
checkInstalledTree() { # NAME STAGE EXTRAS...
    local name=$1 stage=$2 folder differences
    shift 2
    folder=$(installedFolder)
    [ -d "$folder" ] || { fail "$name: nothing in Program Files\\Ordevik"; return; }
    differences=$(diff -rq "$stage" "$folder" | grep -vxF -f <(
        for extra in "$@"; do echo "Only in $folder: $extra"; done; echo never) || true)
    [ -z "$differences" ] ||
        fail "$name: the installed tree is not the staged one: $(head -3 <<<"$differences")"
}

# The installed program, from another folder and with its installed settings, writes
# the reference tree from the installed sample and DTD.
checkInstalledProgram() { # NAME
    local out=$work/$1-out
    rm -rf "$out"
    (cd "$work" && "$wine" "$programs\\ordevik-batch.exe" \
        --csv "$programs\\samples\\demo\\filesets.csv" --data "$programs\\samples\\demo\\data" \
        --dtd "$programs\\dtd" --out "$(windowsPath "$out")" --quiet 2>"$out.err") ||
        fail "$1: the installed ordevik-batch.exe failed"
    diff -r "$reference" "$out" >/dev/null || fail "$1: the installed program wrote another tree"
}

# The Start-menu entry starts the wizard, or a command prompt where no wizard was
# staged, and shows the installed icon. A shell link keeps the target's path and the
# icon's location as text (UTF-16 or the ANSI code page).
# Prints the paths of the Start-menu entry LINK in every user's menu, and with --user
# also in the user's.
startMenuEntry() { # LINK [--user]
    compgen -G "$WINEPREFIX/drive_c/$startMenu/$1" || true
    if [ "${2:-}" = --user ]; then
        compgen -G "$WINEPREFIX/drive_c/$userStartMenu/$1" || true
    fi
}
checkShortcut() { # NAME LINK [--user]
    local link target
    link=$(startMenuEntry "$2" "${3:-}" | head -1)
    [ -n "$link" ] || { fail "$1: no Start-menu entry $2"; return; }
    target=cmd.exe
    [ -f "$stage/ordevik.exe" ] && target='Program Files\Ordevik\ordevik.exe'
    python3 - "$link" "$target" 'ordevik.ico' <<'EOF' || fail "$1: $2 does not name $target and the icon"
import sys
data = open(sys.argv[1], "rb").read().lower()
for text in sys.argv[2:]:
    text = text.lower()
    if text.encode("utf-16-le") not in data and text.encode("ascii") not in data:
        sys.exit(1)
EOF
}

# Prints the values of a registry key as NAME=VALUE lines.
registryValues() { # KEY
    "$wine" reg query "$1" 2>/dev/null | tr -d '\r' |
        sed -n 's/^    \([^ ]*\)    REG_[A-Z_]*    \(.*\)$/\1=\2/p'
}
# The icon is DisplayIcon in the entry; Windows Installer keeps a package's icon as
# ProductIcon in its own key instead.
checkUninstallEntry() { # NAME KEY VERSION [ICON_KEY]
    local values icon
    values=$(registryValues "$2")
    [ -n "$values" ] || { fail "$1: no uninstall entry $2"; return; }
    for expected in "DisplayName=Ordevik" "DisplayVersion=$3" "Publisher=The Ordevik developers"; do
        grep -qxF "$expected" <<<"$values" || fail "$1: the uninstall entry lacks $expected"
    done
    if [ -n "${4:-}" ]; then
        icon=$(registryValues "$4" | sed -n 's/^ProductIcon=//p')
    else
        icon=$(sed -n 's/^DisplayIcon=//p' <<<"$values")
    fi
    [[ $icon == *ordevik.ico ]] || fail "$1: the uninstall entry has no icon"
    grep -q '^UninstallString=.' <<<"$values" || fail "$1: the uninstall entry has no command"
    echo "$1: uninstall entry $(grep -E '^(DisplayName|DisplayVersion|Publisher)=' <<<"$values" | tr '\n' ' ')"
}
checkRemoved() { # NAME LINK KEY
    [ ! -e "$(installedFolder)" ] ||
        fail "$1: left behind: $(cd "$(installedFolder)" && find . | head -5 | tr '\n' ' ')"
    [ -z "$(startMenuEntry "$2" --user)" ] ||
        fail "$1: the Start-menu entry is left"
    [ -z "$(registryValues "$3")" ] || fail "$1: the uninstall entry is left"
}

# What reached the MSI's summary information and tables. wixl writes what it supports
# and drops the rest without a word, so the tables are read back.
msiTable() { # TABLE: its rows, tab-separated, after the three header lines
    msiinfo export "$msi" "$1" | tr -d '\r' | tail -n +4
}
summary=$(msiinfo suminfo "$msi")
for expected in "Title: Installation Database" "Subject: Ordevik $version" \
    "Author: The Ordevik developers" "Template: x64;1033"; do
    grep -qxF "$expected" <<<"$summary" || fail "msi: the summary information lacks '$expected'"
done
codePage=$(msiTable _SummaryInformation | awk -F'\t' '$1 == 1 { print $2 }')
[ "$codePage" = 1252 ] || fail "msi: the summary information's code page is '$codePage'"
echo "msi summary: $(grep -E '^(Title|Subject|Author|Template):' <<<"$summary" | tr '\n' ' ')code page $codePage"
properties=$(msiTable Property)
for expected in "ProductName	Ordevik" "ProductVersion	$version" \
    "Manufacturer	The Ordevik developers" "UpgradeCode	{8D5E2C4A-1F7B-4E36-A0C9-5B3D2E6F9A17}" \
    "ALLUSERS	1" "ARPPRODUCTICON	ordevik.ico"; do
    grep -qxF "$expected" <<<"$properties" || fail "msi: the Property table lacks '$expected'"
done
shortcutTarget='[System64Folder]cmd.exe'
[ -f "$stage/ordevik.exe" ] && shortcutTarget='[INSTALLDIR]ordevik.exe'
msiTable Shortcut | awk -F'\t' -v target="$shortcutTarget" '
    $3 == "Ordevik" && $5 == target && $9 == "ordevik.ico" { found = 1 }
    END { exit !found }' || fail "msi: the Shortcut table has no entry Ordevik for $shortcutTarget"
# Older versions of the same upgrade code are found and removed.
msiTable Upgrade | awk -F'\t' -v version="$version" '
    $1 == "{8D5E2C4A-1F7B-4E36-A0C9-5B3D2E6F9A17}" && $2 == "" && $3 == version { found = 1 }
    END { exit !found }' || fail "msi: the Upgrade table does not replace older versions"
msiTable InstallExecuteSequence | grep -q '^RemoveExistingProducts	' ||
    fail "msi: no RemoveExistingProducts"
# One 64-bit component a file, and the Start-menu entry's.
stagedFiles=$(find "$stage" -type f | wc -l)
[ "$(msiTable File | wc -l)" -eq "$stagedFiles" ] || fail "msi: the File table lacks files"
[ "$(msiTable Component | awk -F'\t' '$4 % 512 >= 256' | wc -l)" -eq $((stagedFiles + 1)) ] ||
    fail "msi: not every component is a 64-bit one"

# Packages of two newer versions, for the upgrades, made from altered copies of the
# staged tree: each ships other settings, and the newest lacks a file.
newer=()
for step in 1 2; do
    newerStage=$work/stage-$step
    rm -rf "$newerStage"
    cp -a "$stage" "$newerStage"
    printf '# settings of update %s\r\n' "$step" >>"$newerStage/ordevik.ini"
    if [ "$step" -eq 2 ]; then
        rm "$newerStage/samples/demo/README.md"
    fi
    only=()
    [ "$step" -eq 1 ] || only=(--setup-only)
    "$root/scripts/windows-installers.py" --stage "$newerStage" --out "$work/newer-$step" \
        --version "$version.$step" "${only[@]}" >/dev/null
    newer+=("$work/newer-$step/ordevik-$version.$step-setup.exe")
done
newerMsi=$work/newer-1/ordevik-$version.1-x64.msi

setupKey='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Ordevik'

# The setup program.
freshPrefix setup
"$wine" "$setup" /S || fail "setup: the silent install failed"
checkInstalledTree setup "$stage" uninstall.exe ordevik-shipped.ini
cmp -s "$stage/ordevik.ini" "$(installedFolder)/ordevik-shipped.ini" ||
    fail "setup: ordevik-shipped.ini is not the shipped settings file"
checkInstalledProgram setup
checkShortcut setup 'ケルダ.lnk'
checkUninstallEntry setup "$setupKey" "$version"
# The uninstaller copies itself away and returns at once; the prefix's server waits
# for the copy.
"$wine" "$programs\\uninstall.exe" /S || fail "setup: the silent uninstall failed"
wineserver -w
checkRemoved setup 'ケルダ.lnk' "$setupKey"
endPrefix
echo "setup program: installed, ran, uninstalled"

# The MSI, and a newer one over it. An uninstall entry is keyed by the product code,
# new in every build; Windows Installer's own key of a product is named by the same
# hex digits, each group reversed (the last eight groups of two each swapped).
productCode() { # MSI
    msiinfo export "$1" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p'
}
msiKey() { # MSI
    printf 'HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\%s' "$(productCode "$1")"
}
productKey() { # MSI
    python3 -c '
import sys
code = sys.argv[1].strip("{}").replace("-", "")
pairs = "".join(code[i + 1] + code[i] for i in range(16, 32, 2))
print("HKLM\\Software\\Classes\\Installer\\Products\\" + code[7::-1] + code[11:7:-1]
      + code[15:11:-1] + pairs)' "$(productCode "$1")"
}
freshPrefix msi
"$wine" msiexec /i "$(windowsPath "$msi")" /qn || fail "msi: the silent install failed"
checkInstalledTree msi "$stage"
checkInstalledProgram msi
checkShortcut msi 'Ordevik.lnk' --user
checkUninstallEntry msi "$(msiKey "$msi")" "$version" "$(productKey "$msi")"
"$wine" msiexec /i "$(windowsPath "$newerMsi")" /qn || fail "msi: installing $version.1 failed"
[ -z "$(registryValues "$(msiKey "$msi")")" ] || fail "msi: $version.1 left $version installed"
checkInstalledTree msi-upgrade "$work/stage-1"
checkUninstallEntry msi-upgrade "$(msiKey "$newerMsi")" "$version.1" "$(productKey "$newerMsi")"
"$wine" msiexec /x "$(windowsPath "$newerMsi")" /qn || fail "msi: the silent uninstall failed"
wineserver -w
checkRemoved msi 'Ordevik.lnk' "$(msiKey "$newerMsi")"
endPrefix
echo "MSI: installed, ran, replaced by a newer one, uninstalled"

freshPrefix upgrade
folder=$(installedFolder)
"$wine" "$setup" /S || fail "upgrade: installing $version failed"
"$wine" "${newer[0]}" /S || fail "upgrade: installing $version.1 failed"
cmp -s "$work/stage-1/ordevik.ini" "$folder/ordevik.ini" ||
    fail "upgrade: an unedited ordevik.ini was not replaced by the newer one"
printf '# edited by the administrator\r\n' >>"$folder/ordevik.ini"
cp "$folder/ordevik.ini" "$work/edited.ini"
"$wine" "${newer[1]}" /S || fail "upgrade: installing $version.2 failed"
cmp -s "$work/edited.ini" "$folder/ordevik.ini" || fail "upgrade: the edited ordevik.ini was lost"
cmp -s "$work/stage-2/ordevik.ini" "$folder/ordevik-shipped.ini" ||
    fail "upgrade: ordevik-shipped.ini is not the newest shipped settings file"
[ ! -e "$folder/samples/demo/README.md" ] || fail "upgrade: a file the newer version lacks is left"
checkUninstallEntry upgrade "$setupKey" "$version.2"
"$wine" "$programs\\uninstall.exe" /S || fail "upgrade: the silent uninstall failed"
wineserver -w
checkRemoved upgrade 'ケルダ.lnk' "$setupKey"
endPrefix
echo "setup program upgrade: unedited settings replaced, edited settings kept"

# After a failure the prefixes stay for a look inside; else they go (each is most of a
# gigabyte).
if [ "$failed" -eq 0 ]; then
    rm -rf "$build/wine-setup" "$build/wine-msi" "$build/wine-upgrade"
    echo "installer checks passed"
fi
exit "$failed"
