#!/usr/bin/env bash
# many_copies_test.sh FIELDMEND_CLI SAMPLE_DATABASE
# One replace over 200 copies of a database, two at a time: every copy ends byte for byte as a
# run on a single copy leaves it, and the change log holds every copy's lines.
set -euo pipefail
cli=$1 sample=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/copies"
for i in $(seq 1 200); do cp "$sample" "$work/copies/copy$i.mdb"; done
cp "$sample" "$work/alone.mdb"
"$cli" replace "$work/alone.mdb" --all-tables --find Paris --replace Lyon --no-undo \
  --log "$work/alone.log" >/dev/null
"$cli" replace --recursive "$work/copies" -j 2 --all-tables --find Paris --replace Lyon \
  --no-undo --log "$work/many.log" >"$work/out.txt"
cmp -s "$work/alone.mdb" "$sample" && { echo "the run changed nothing"; exit 1; }
differ=0
for copy in "$work"/copies/*.mdb; do cmp -s "$copy" "$work/alone.mdb" || differ=$((differ + 1)); done
[ "$differ" -eq 0 ] || { echo "$differ of 200 copies differ from the single run"; exit 1; }
want=$(( $(wc -l <"$work/alone.log") * 200 ))
got=$(wc -l <"$work/many.log")
[ "$got" -eq "$want" ] || { echo "change log: $got lines, $want expected"; exit 1; }
[ "$(grep -c ': ok$' "$work/out.txt")" -eq 200 ] || { echo "not every copy is listed ok"; exit 1; }
echo "200 copies changed as one"
