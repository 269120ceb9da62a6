#!/usr/bin/env bash
# Installs what is missing and builds the project.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" build
