#!/usr/bin/env bash
# The main job: the stand-in messenger under Wine with the real plug-in DLL.
# With a display it opens the messenger for a person; without one, or with
# --scripted, a scripted user goes every road on its own Xvfb display and writes
# the screenshots, the received pictures and a summary into build/main-job/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/tools/setup.sh"
mode=interactive
if [ -z "${DISPLAY:-}" ] || [ "${1:-}" = "--scripted" ]; then
    mode=scripted
else
    export SNIPLEAF_KEEP_DISPLAY=1
fi
source "$root/tools/wine-session.sh"
cd "$root/build/mingw/bin"
if [ "$mode" = scripted ]; then
    out="$root/build/main-job"
    rm -rf "$out"
    mkdir -p "$out"
    "$root/tools/wine-run.sh" snipLeafHost.exe --scripted "Z:${out//\//\\}"
    echo "scripted session written to $out (summary.txt, screenshots, received/)"
else
    "$root/tools/wine-run.sh" snipLeafHost.exe
fi
