#!/usr/bin/env bash
# The analyser: clang-tidy's checks (.clang-tidy) over the plug-in's own
# folders, with the compile commands of the Clang build (tools/setup.sh
# clang-mingw makes them). Any finding fails the script. Extra arguments go to
# clang-tidy (e.g. --checks=... to try one check).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
database="$root/build/clang-mingw"
if [ ! -f "$database/compile_commands.json" ]; then
    echo "no $database/compile_commands.json: run tools/setup.sh clang-mingw first" >&2
    exit 1
fi
# Every source the build compiles in those folders, new ones included.
mapfile -t files < <(grep -oE '"file": "[^"]*/(plugin|image|editor|delivery|annotations)/[^"]*\.cpp"' \
                         "$database/compile_commands.json" | cut -d'"' -f4 | sort -u)
if [ ${#files[@]} -eq 0 ]; then
    echo "no sources of plugin/, image/, editor/, delivery/ or annotations/ in the compile commands" >&2
    exit 1
fi
# Two at a time, one per core. clang-tidy counts what it hides in system
# headers on its error output; only findings are kept.
printf '%s\n' "${files[@]}" |
    xargs -P 2 -n 1 clang-tidy -p "$database" --quiet "$@" 2> >(grep -vE '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$' >&2)
echo "clang-tidy: ${#files[@]} files clean"
