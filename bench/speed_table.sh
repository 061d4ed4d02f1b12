#!/usr/bin/env bash
# speed_table.sh: the speed of every kind of work on one large table, in one run, next to
# mdb-export reading the same file. Builds the fixture with make_fixture, then times a full scan,
# a CSV export, replacements on copies (10 % of rows, every row), a dry run and the integrity
# check, with the peak memory of each and the file's growth.
#
# usage: bench/speed_table.sh BUILD_DIR [--rows N] [--accdb] [--work DIR] [--keep]
set -euo pipefail

build=${1:?usage: speed_table.sh BUILD_DIR [--rows N] [--accdb] [--work DIR] [--keep]}
shift
rows=1000000
ext=mdb
work=${TMPDIR:-/tmp}/fieldmend-speed
keep=0
while [ $# -gt 0 ]; do
  case $1 in
    --rows) rows=$2; shift 2 ;;
    --accdb) ext=accdb; shift ;;
    --work) work=$2; shift 2 ;;
    --keep) keep=1; shift ;;
    *) echo "speed_table.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
cli=$build/cli/fieldmend-cli
for tool in "$cli" "$build/bench/make_fixture" "$build/bench/scan_bench"; do
  [ -x "$tool" ] || { echo "speed_table.sh: $tool is not built" >&2; exit 2; }
done
command -v mdb-export >/dev/null || { echo "speed_table.sh: mdb-export is not installed" >&2; exit 2; }

mkdir -p "$work"
fixture=$work/fixture-$rows.$ext
# Text1: 10 % of cells hold "needle"; Every1: every cell holds "always"; a memo (10 % needle) and
# a double; Id is the primary key. The same options always make the same file.
if [ ! -f "$fixture" ]; then
  "$build/bench/make_fixture" "$fixture" --rows "$rows" --text-columns 1 --indexed-text 0 \
    --every-columns 1 --memo-columns 1 --number-columns 1 --text-length 30 --column-length 40 --match-rate 10 \
    --seed 12 >/dev/null
fi
size=$(stat -c %s "$fixture")
export TMPDIR=$work  # the change log and the undo files go here

# timed LABEL CMD...: runs CMD with its output thrown away; sets $secs (wall), $cpu (user and
# system) and $peak (MB).
timed() {
  local label=$1; shift
  /usr/bin/time -f "%e %U %S %M" -o "$work/time.txt" "$@" >/dev/null 2>"$work/$label.err" || {
    echo "speed_table.sh: $label failed:" >&2; cat "$work/$label.err" >&2; exit 1; }
  read -r secs user sys kb <"$work/time.txt"
  cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN {printf "%.2f", u + s}')
  peak=$(awk -v k="$kb" 'BEGIN {printf "%.0f", k / 1024}')
  [ "$peak" -gt "$maxpeak" ] && maxpeak=$peak
  return 0
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.1f", a / b}'; }
maxpeak=0

# The scan: the engine's own figure, without process start, the best of three.
# Every figure is taken with the file in the page cache, as a user's second look at it would be.
cat "$fixture" >/dev/null
scan=$("$build/bench/scan_bench" "$fixture" Fixture --repeat 3 --reference 0)
scanRate=$(awk '/^best single scan:/ {print $6}' <<<"$scan")
scanSecs=$(awk '/^best single scan:/ {print $4}' <<<"$scan")
timed mdb-export mdb-export "$fixture" Fixture; exportRef=$secs
timed export "$cli" export "$fixture" Fixture --format csv; exportSecs=$secs; exportCpu=$cpu

fresh() { rm -f "$work/copy.$ext" "$work"/*.undo "$work/backups.log"; cp "$fixture" "$work/copy.$ext"; }
fresh
timed replace10 "$cli" replace "$work/copy.$ext" --table Fixture --find needle --replace needlepoint
replace10=$secs; replace10Cpu=$cpu
fresh
timed replaceAll "$cli" replace "$work/copy.$ext" --table Fixture --find always --replace allways
replaceAll=$secs; replaceAllCpu=$cpu
grown=$(( $(stat -c %s "$work/copy.$ext") - size ))
fresh
timed replaceAllNoUndo "$cli" replace "$work/copy.$ext" --table Fixture --find always \
  --replace allways --no-undo
replaceAllNoUndo=$secs; replaceAllNoUndoCpu=$cpu
window=""
if [ -x "$build/ui/window_timing" ]; then  # the same run through the desktop windows, offscreen
  fresh
  window=$("$build/ui/window_timing" "$work/copy.$ext" Fixture always allways 2>/dev/null |
    awk '/^window run:/ {print $3}')
fi
timed dryRun "$cli" replace "$fixture" --table Fixture --find always --replace allways --dry-run
dryRun=$secs; dryRunCpu=$cpu
timed check "$cli" check "$fixture"
check=$secs; checkCpu=$cpu
[ "$keep" = 1 ] || rm -f "$work/copy.$ext" "$work"/*.undo "$work/backups.log"

refRate=$(awk -v r="$rows" -v s="$exportRef" 'BEGIN {printf "%.0f", r / s}')
printf '%s: %s rows, %.0f MB\n' "$fixture" "$rows" "$(awk -v b="$size" 'BEGIN {print b / 1e6}')"
printf '| work | seconds | CPU seconds | measure (from seconds) | goal |\n|---|---|---|---|---|\n'
printf '| mdb-export (reference) | %s | | %s rows/s | |\n' "$exportRef" "$refRate"
printf '| full scan (scan_bench) | %s | | %s rows/s: %s x mdb-export | >= 15 x |\n' \
  "$scanSecs" "$scanRate" "$(ratio "$scanRate" "$refRate")"
printf '| export --format csv | %s | %s | %s x faster than mdb-export | >= 8 x |\n' \
  "$exportSecs" "$exportCpu" "$(ratio "$exportRef" "$exportSecs")"
printf '| replace, 10 %% of rows, +5 chars | %s | %s | %s x the scan | <= 2 x |\n' \
  "$replace10" "$replace10Cpu" "$(ratio "$replace10" "$scanSecs")"
printf '| replace, every row, +1 char | %s | %s | %s x the scan | <= 4 x |\n' \
  "$replaceAll" "$replaceAllCpu" "$(ratio "$replaceAll" "$scanSecs")"
[ -n "$window" ] && printf '| the same, through the window | %s | | %s x the command line run (the run alone, without start-up) | <= 1.05 x |\n' \
  "$window" "$(ratio "$window" "$replaceAll")"
printf '| the same, --no-undo | %s | %s | %s x the scan | |\n' \
  "$replaceAllNoUndo" "$replaceAllNoUndoCpu" "$(ratio "$replaceAllNoUndo" "$scanSecs")"
printf '| replace --dry-run, every row | %s | %s | %s x the scan | <= 1.5 x |\n' \
  "$dryRun" "$dryRunCpu" "$(ratio "$dryRun" "$scanSecs")"
printf '| check | %s | %s | %s x the scan | <= 2 x |\n' "$check" "$checkCpu" \
  "$(ratio "$check" "$scanSecs")"
printf '| peak memory of any | | | %s MB | <= 64 MB |\n' "$maxpeak"
printf '| file growth, every row +1 char | | | %s MB | |\n' \
  "$(awk -v g="$grown" 'BEGIN {printf "%.1f", g / 1e6}')"
