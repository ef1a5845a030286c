#!/usr/bin/env bash
# Every test: set-up and build (GCC), the same DLL and tests built with Clang,
# the analyser over the plug-in's own folders, then CTest under Wine on one
# Xvfb display. A failed build, a warning in CI (CI=true) or a finding of the
# analyser fails the script before any test runs.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/tools/setup.sh"
"$root/tools/setup.sh" clang-mingw
"$root/tools/tidy.sh"
source "$root/tools/wine-session.sh"
cd "$root"
ctest --preset mingw "$@"
