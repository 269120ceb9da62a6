#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. The tests build into
# build-test/, without the profile-guided optimisation of the release build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" build-test
cd "$root/build-test"
ctest --output-on-failure -j "$(nproc)"
