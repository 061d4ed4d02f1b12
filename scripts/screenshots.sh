#!/usr/bin/env bash
# Draws each window of the desktop program into docs/screenshots/ from the real windows, on a
# copy of the sample database (or a corpus file while the sample is missing). Uses a virtual
# display (xvfb) when the machine has none. Builds the screenshot tool first.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build}
database=${1:-$here/Samples/sample.mdb}
[ -f "$build/build.ninja" ] || cmake -S "$here" -B "$build" -G Ninja >/dev/null
if [ ! -f "$database" ]; then
  database=$(sed -n 's/^FIELDMEND_CORPUS_DIR:PATH=//p' "$build/CMakeCache.txt")/jackcess/V2000/indexTestV2000.mdb
fi
cmake --build "$build" --target fieldmend fieldmend_screenshots
out=$here/docs/screenshots
tool=("$build/ui/fieldmend_screenshots" "$database" "$out")
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" "${tool[@]}"
else
  "${tool[@]}"
fi
