#!/usr/bin/env bash
# The product's main job from the command line, on a copy of the shipped sample database:
# lists its tables, replaces a city name in every table (with the change log beside the copy),
# shows the changed rows and checks the file's integrity.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cli=${BUILD_DIR:-$here/build}/cli/fieldmend-cli
work=$(mktemp -d /tmp/fieldmend-demo.XXXXXX)
cp "$here/Samples/sample.mdb" "$work/sample.mdb"
chmod u+w "$work/sample.mdb"
echo "== tables of $work/sample.mdb"
"$cli" tables "$work/sample.mdb"
echo "== replace \"México D.F.\" with \"Ciudad de México\" in every table"
TEMP=$work "$cli" replace "$work/sample.mdb" --all-tables --find "México D.F." \
  --replace "Ciudad de México"
echo "== change log ($work/backups.log), first lines"
head -n 3 "$work/backups.log"
echo "== customers now"
"$cli" export "$work/sample.mdb" Customers --format csv | cut -d, -f1-5 | head -n 4
echo "== integrity check"
"$cli" check "$work/sample.mdb"
