#!/usr/bin/env bash
# pinned_writes.sh MAKE_FIXTURE FIELDMEND_CLI CORPUS_DIR
# The bytes the engine writes are pinned: seeded fixtures made by the creator, and replacement
# runs on copies of them and of corpus files of every version, must hash exactly as recorded.
# A change that alters what reaches the disk shows here first; when it is meant, record the new
# hashes (run with PIN_PRINT=1) and say why in the commit.
set -euo pipefail
make_fixture=$1 cli=$2 corpus=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

declare -A expected=(
  [fixture.mdb]=f032d84d3a17e9839c1aa51bd0c16f0c43d0d8cbe062ab31d5cb96ae2a17f77b
  [fixture.accdb]=6ff7bf305de99cfb3b0783eb19b29ee0b46eccc2fd0cbd362d4477de6885729c
  [fixture-replaced.mdb]=5998139f4aa63640be28082bc9170032ab3fdb80ff7c90f7696aa5dc8b53283a
  [fixture-replaced.accdb]=7153d0cd4b74f74964754e4f640c2a667e9527df0fa15b9db31dca4249343a8e
  [test2V1997.mdb]=67df7689484e34598c3acd489b30d243a7fa9dc4b073e9bf76c80fd1d132a60b
  [test2V2003.mdb]=01b422610d1804c512588bcbe67035d1c6a8dbd01a67eb2f67926973717291b4
  [indexTestV2010.accdb]=4b866e852bcc2af63387df4e8e59545169af50035ca76588a602c9c0af3544b5
)

replace() {  # FILE FIND REPLACE; skipped values (exit 1) are part of what is pinned
  local rc=0
  "$cli" replace "$1" --all-tables --find "$2" --replace "$3" --log "$work/changes.log" \
    >/dev/null || rc=$?
  if [ "$rc" -gt 1 ]; then echo "replace on $1 failed ($rc)"; exit 1; fi
}

"$make_fixture" "$work/fixture.mdb" --rows 300 --indexed-text 1 --memo-columns 1 --seed 7 >/dev/null
"$make_fixture" "$work/fixture.accdb" --rows 200 --indexed-text 1 --memo-columns 1 --seed 3 >/dev/null
for ext in mdb accdb; do
  cp "$work/fixture.$ext" "$work/fixture-replaced.$ext"
  replace "$work/fixture-replaced.$ext" e "e, grown"
done
for f in jackcess/V1997/test2V1997.mdb jackcess/V2003/test2V2003.mdb \
         jackcess/V2010/indexTestV2010.accdb; do
  cp "$corpus/$f" "$work/$(basename "$f")"
  chmod u+w "$work/$(basename "$f")"
  replace "$work/$(basename "$f")" a "a+a"
done

status=0
for name in "${!expected[@]}"; do
  got=$(sha256sum "$work/$name" | cut -d' ' -f1)
  if [ -n "${PIN_PRINT:-}" ]; then echo "  [$name]=$got"; continue; fi
  if [ "$got" != "${expected[$name]}" ]; then
    echo "$name: the bytes written changed (sha256 $got, pinned ${expected[$name]})"
    status=1
  fi
done
exit $status
