#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the tools need, only those missing.
set -euo pipefail
packages=(cmake g++ make libgtest-dev libcli11-dev libxml2-utils clang libclang-rt-14-dev
          qt6-base-dev libgl-dev fonts-noto-cjk xvfb xauth
          dpkg-dev fakeroot lintian desktop-file-utils appstream groff-base man-db)
missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
