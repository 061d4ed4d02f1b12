#!/usr/bin/env bash
# Runs every test: installs what is missing, builds, then runs the unit, corpus, oracle and crash
# tests through ctest.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-deps.sh"
"$here/scripts/build.sh"
ctest --test-dir "$here/build" --output-on-failure -j 2 --timeout 900
