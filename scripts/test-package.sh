#!/usr/bin/env bash
# usage: test-package.sh DEB   tries a built package without installing it: unpacks it into a
# scratch folder, runs the unpacked fieldmend-cli on a copy of the unpacked sample (info, tables,
# a replace, check), starts the unpacked fieldmend offscreen, and has lintian and appstreamcli
# look at it (no errors allowed).
set -euo pipefail
deb=$(realpath "$1")
scratch=$(mktemp -d /tmp/fieldmend-package.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
root=$scratch/root

step() { echo "-- $*"; }

step "contents of $(basename "$deb")"
dpkg-deb -f "$deb" Package Version Architecture Depends
dpkg-deb -x "$deb" "$root"
for f in usr/bin/fieldmend usr/bin/fieldmend-cli usr/lib/fieldmend/fieldmend \
  usr/lib/fieldmend/fieldmend.png usr/lib/fieldmend/HAND-M.CUR usr/lib/fieldmend/skins/o.cjs \
  usr/lib/fieldmend/Samples/sample.mdb usr/share/applications/fieldmend.desktop \
  usr/share/icons/hicolor/64x64/apps/fieldmend.png usr/share/man/man1/fieldmend.1.gz \
  usr/share/man/man1/fieldmend-cli.1.gz usr/share/bash-completion/completions/fieldmend-cli \
  usr/share/metainfo/com.quillmoor.fieldmend.metainfo.xml usr/share/doc/fieldmend/copyright \
  usr/share/doc/fieldmend/changelog.gz usr/share/doc/fieldmend/NOTICE; do
  [ -e "$root/$f" ] || { echo "missing from the package: /$f"; exit 1; }
done
dpkg-deb -f "$deb" Depends | grep -q libc6 || { echo "no dependencies from dpkg-shlibdeps"; exit 1; }

cli=$root/usr/bin/fieldmend-cli
db=$scratch/sample.mdb
cp "$root/usr/lib/fieldmend/Samples/sample.mdb" "$db"
chmod u+w "$db"
version=$(dpkg-deb -f "$deb" Version)
step "fieldmend-cli --version"
"$cli" --version | grep -x "fieldmend-cli $version"
step "fieldmend-cli info / tables"
"$cli" info "$db"
"$cli" tables "$db" | tee "$scratch/tables.txt"
grep -q "^Customers	" "$scratch/tables.txt"
step "fieldmend-cli replace"
"$cli" replace "$db" --all-tables --find "México D.F." --replace "Ciudad de México" \
  --log "$scratch/changes.log"
# Into a file first: grep -q leaving early would end the export with SIGPIPE, a failure here.
"$cli" export "$db" Customers --format csv >"$scratch/customers.csv"
grep -q "Ciudad de México" "$scratch/customers.csv" || {
  echo "the replacement is not in the export:"; cat "$scratch/customers.csv"; exit 1; }
step "fieldmend-cli check"
"$cli" check "$db"

step "fieldmend --version, then the window offscreen"
"$root/usr/bin/fieldmend" --version | grep -x "fieldmend $version"
QT_QPA_PLATFORM=offscreen timeout 60 "$root/usr/bin/fieldmend" \
  --settings "$scratch/settings.ini" --screenshot "$scratch/window.png" "$db"
[ -s "$scratch/window.png" ] || { echo "fieldmend showed no window"; exit 1; }

step "manual pages"
for page in "$root"/usr/share/man/man1/*.1.gz; do
  problems=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
  [ -z "$problems" ] || { echo "$page: $problems"; exit 1; }
done

if command -v appstreamcli >/dev/null; then
  step "appstreamcli validate"
  appstreamcli validate --no-net "$root"/usr/share/metainfo/*.xml
fi
if command -v lintian >/dev/null; then
  step "lintian"
  lintian --fail-on error "$deb"
fi
echo "package test passed: $(basename "$deb")"
