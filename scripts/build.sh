#!/usr/bin/env bash
# Configures and builds into ./build (Release with debug info). Extra arguments go to cmake.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$here" -B "$here/build" -G Ninja "$@" >/dev/null
cmake --build "$here/build"
