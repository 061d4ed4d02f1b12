#!/usr/bin/env bash
# Opens fieldmend on a copy of the sample database, given on the command line: start-up lists its
# tables in the main window ("< Back" shows the database window with its path). Settings go to a
# file in the same temporary folder, so the user's own stay untouched. Without a display it runs
# on a virtual one (xvfb), saves a screenshot of the window to sample-window.png in that folder
# and ends.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build}
[ -f "$build/build.ninja" ] || cmake -S "$here" -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target fieldmend >/dev/null
sample=$build/ui/Samples/sample.mdb
[ -f "$sample" ] || sample=$(sed -n 's/^FIELDMEND_CORPUS_DIR:PATH=//p' "$build/CMakeCache.txt")/jackcess/V2000/indexTestV2000.mdb
work=$(mktemp -d /tmp/fieldmend-sample.XXXXXX)
cp "$sample" "$work/sample.mdb"
chmod u+w "$work/sample.mdb"
echo "database copy: $work/sample.mdb"
run=("$build/ui/fieldmend" --settings "$work/settings/Fieldmend.ini" "$work/sample.mdb")
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "${run[@]}"
fi
# No display: a virtual one, and a screenshot of the window saved before the program ends.
xvfb-run -a -s "-screen 0 800x600x24 -dpi 96" "${run[@]}" --screenshot "$work/sample-window.png"
echo "no display here: ran on a virtual one; screenshot $work/sample-window.png"
