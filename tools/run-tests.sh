#!/usr/bin/env bash
# Every test: set-up, build, then CTest under Wine on one Xvfb display.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/tools/setup.sh"
source "$root/tools/wine-session.sh"
cd "$root"
ctest --preset mingw "$@"
