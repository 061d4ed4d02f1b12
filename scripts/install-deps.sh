#!/usr/bin/env bash
# Installs everything the build, the tests and the oracles need on a fresh Debian 12 machine, and
# what CI uses besides: clang for the fuzz targets, the Debian package tools and their checks.
# Safe to run again: apt and npm skip what is already there.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
sudo_cmd=""
if [ "$(id -u)" -ne 0 ]; then sudo_cmd="sudo"; fi

pkgs=(build-essential cmake ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev
      libssl-dev libpugixml-dev libicu-dev libpcre2-dev zlib1g-dev mdbtools nodejs npm qt6-base-dev fonts-liberation2 xvfb xauth python3
      clang libclang-rt-14-dev dpkg-dev file lintian appstream bash-completion man-db)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# node and npm may come from elsewhere (nodesource); do not fight an existing install
if command -v node >/dev/null && command -v npm >/dev/null; then
  missing=("${missing[@]/nodejs}"); missing=("${missing[@]/npm}")
fi
clean=()
for p in "${missing[@]}"; do [ -n "$p" ] && clean+=("$p"); done
if [ "${#clean[@]}" -gt 0 ]; then
  $sudo_cmd apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -q --no-install-recommends "${clean[@]}"
fi

# the second oracle: mdb-reader, pinned by tools/oracle/package-lock.json
(cd "$here/tools/oracle" && npm ci --no-audit --no-fund --silent)
