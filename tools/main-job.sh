#!/usr/bin/env bash
# The main job: the stand-in messenger host under Wine with the real plug-in DLL.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/tools/setup.sh"
source "$root/tools/wine-session.sh"
cd "$root/build/mingw/bin"
"$root/tools/wine-run.sh" snipLeafHost.exe "$@"
