#!/usr/bin/env bash
# encrypted_replace.sh FIELDMEND_CLI CORPUS_DIR
# A replacement that grows values in every text column of each encrypted .accdb of the corpus,
# on a copy: mdb-reader, given the password, reads the new values (and every other cell as the
# engine does), the engine's check passes, and the copy stays encrypted under the same password.
set -euo pipefail
cli=$1 corpus=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
marker="grown by a run"
failures=0
for entry in jackcess-encrypt/db2013-enc.accdb:1234 mdb-reader/password/V2010_with-password.accdb:password \
             mdb-reader/encryption/office-agile-4.2.accdb:password tika/testAccess2_encrypted.accdb:tika; do
  file=${entry%%:*} password=${entry##*:}
  copy="$work/$(basename "$file")"
  cp "$corpus/$file" "$copy"
  before=$(node "$here/../../tools/oracle/dump.mjs" "$copy" --password "$password" | grep -o "e" | wc -l)
  rc=0
  "$cli" replace "$copy" --password "$password" --all-tables --find e --replace "e $marker" \
    --log "$work/changes.log" >/dev/null || rc=$?
  if [ "$rc" -gt 1 ]; then echo "FAIL $file: replace exited $rc"; failures=$((failures + 1)); continue; fi
  grown=$(node "$here/../../tools/oracle/dump.mjs" "$copy" --password "$password" | grep -o "$marker" | wc -l)
  if [ "$before" -eq 0 ] || [ "$grown" -eq 0 ]; then
    echo "FAIL $file: mdb-reader sees $grown grown values"; failures=$((failures + 1))
  fi
  "$cli" check "$copy" --password "$password" >/dev/null || { echo "FAIL $file: check"; failures=$((failures + 1)); }
  node "$here/../oracle/differential.mjs" --cli "$cli" --file "$copy" --password "$password" >/dev/null ||
    { echo "FAIL $file: the engine and mdb-reader read the copy differently"; failures=$((failures + 1)); }
  if grep -q "$marker" "$copy" || grep -qa "$(printf '%s' "$marker" | sed 's/./&\x00/g')" "$copy"; then
    echo "FAIL $file: the new text is in the file as plaintext"; failures=$((failures + 1))
  fi
  if "$cli" tables "$copy" --password wrong >/dev/null 2>&1; then
    echo "FAIL $file: opens with a wrong password"; failures=$((failures + 1))
  fi
  echo "ok $file: $grown values grown"
done
exit $((failures > 0))
