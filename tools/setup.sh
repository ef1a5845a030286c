#!/usr/bin/env bash
# Installs what the build and the Wine test road need on a fresh Debian machine
# (idempotent: apt-get runs only when a package is missing), then configures and
# builds the MinGW cross build into build/mingw, or the one of the preset named
# (tools/setup.sh mingw-release builds into build/mingw-release).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
preset="${1:-mingw}"
packages=(cmake make g++-mingw-w64-x86-64-posix wine64 wine fonts-wine clang lld clang-tidy xvfb xserver-xephyr xauth googletest
          x11-xkb-utils xdotool)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi
cd "$root"
# In CI (CI=true) every warning fails the build; elsewhere the option stays as
# the build folder has it.
werror=()
[ "${CI:-}" = true ] && werror=(-DSNIPLEAF_WERROR=ON)
cmake --preset "$preset" "${werror[@]}" >/dev/null
# Only the progress lines are dropped. The filter itself always succeeds (a
# build that prints nothing else is fine), so under pipefail the pipeline's
# status is the build's, and set -e stops here on a failed build.
cmake --build --preset "$preset" -- --no-print-directory 2>&1 |
    { grep -vE '^\[ *[0-9]+%\]|Scanning dependencies|Built target|Consolidate compiler' || true; }
