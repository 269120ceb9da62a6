#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the tools need, only those missing.
set -euo pipefail
"$(dirname "$0")/install-missing.sh" \
    cmake g++ make libgtest-dev libcli11-dev nlohmann-json3-dev libxml2-dev libxml2-utils \
    libpng-dev libfreetype-dev libfontconfig-dev \
    clang libclang-rt-14-dev qt6-base-dev qt6-translations-l10n libgl-dev fonts-noto-cjk xvfb \
    xauth openbox python3 \
    dpkg-dev fakeroot lintian desktop-file-utils appstream groff-base man-db
