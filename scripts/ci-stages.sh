#!/usr/bin/env bash
# usage: ci-stages.sh STAGE...   the CI stages after the regular build and its tests, each timed.
#   release   Release build of everything (warnings are errors), the Debian package, its test
#   sanitize  ASan + UBSan build in build-asan, every test run there
#   fuzz      the libFuzzer targets built with clang in build-fuzz, each run for FUZZ_SECONDS
#             (60) from seeds made of ../shared/corpus
# Every stage runs even when one before it failed; the exit status says whether any failed.
# Extra cmake arguments for every build: CI_CMAKE_ARGS (CI passes -DFIELDMEND_WERROR=ON).
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
read -r -a extra <<<"${CI_CMAKE_ARGS:-}"
corpus=${FIELDMEND_CORPUS_DIR:-$here/../shared/corpus}

stage_release() {
  cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release "${extra[@]}" >/dev/null &&
    cmake --build build-release &&
    (cd build-release && rm -f fieldmend_*.deb && cpack -G DEB) &&
    "$here/scripts/test-package.sh" build-release/fieldmend_*_amd64.deb
}

stage_sanitize() {
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFIELDMEND_SANITIZE=ON \
    "${extra[@]}" >/dev/null &&
    cmake --build build-asan &&
    ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:check_initialization_order=1 \
      UBSAN_OPTIONS=print_stacktrace=1 \
      ctest --test-dir build-asan --output-on-failure -j 2 --timeout 3600
}

# Maximum input sizes: a header page, sixteen pages, a whole file, a set file.
fuzz_max_len() {
  case $1 in
    header | set_file | connection_string | property_map) echo 4096 ;;
    database) echo 450000 ;;
    *) echo 80000 ;;
  esac
}

stage_fuzz() {
  local targets=(header usage_map table_def row long_value index_page property_map database
                 set_file connection_string)
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DFIELDMEND_FUZZ=ON -DFIELDMEND_GUI=OFF "${extra[@]}" >/dev/null &&
    cmake --build build-fuzz --target "${targets[@]/#/fuzz_}" || return 1
  rm -rf build-fuzz/seeds build-fuzz/work build-fuzz/artifacts
  python3 tests/fuzz/make_seeds.py "$corpus" build-fuzz/seeds || return 1
  local failed=0 t
  for t in "${targets[@]}"; do
    local work=build-fuzz/work/$t artifacts=build-fuzz/artifacts/$t
    mkdir -p "$work" "$artifacts" "build-fuzz/seeds/$t"
    echo "fuzz_$t: ${FUZZ_SECONDS:-60} s"
    if ! build-fuzz/tests/fuzz/fuzz_$t -max_total_time="${FUZZ_SECONDS:-60}" \
        -max_len="$(fuzz_max_len "$t")" -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
        -artifact_prefix="$artifacts/" "$work" "build-fuzz/seeds/$t" >"$artifacts.log" 2>&1; then
      failed=1
      tail -n 60 "$artifacts.log"
      local input
      for input in "$artifacts"/*; do
        [ -f "$input" ] || continue
        echo "fuzz_$t: failing input kept at $here/$input ($(stat -c %s "$input") bytes); first bytes:"
        od -A x -t x1z -v "$input" | head -n 16
      done
    else
      grep -E "^stat::number_of_executed_units|^Done" "$artifacts.log" | tr '\n' ' '
      echo
    fi
  done
  return $failed
}

# Sets cpu to the processor time (user + system) of the finished child processes, in seconds.
# `times` must run in this shell, not in a subshell (which has no children), so it writes a file.
times_file=$(mktemp)
trap 'rm -f "$times_file"' EXIT
cpu_now() {
  times >"$times_file"
  cpu=$(awk 'NR == 2 { t = 0; for (i = 1; i <= 2; i++) { split($i, p, /[ms]/); t += p[1] * 60 + p[2] }
                       printf "%d", t }' "$times_file")
}

summary=()
status=0
for stage in "$@"; do
  echo "=== stage $stage"
  start=$SECONDS
  cpu_now
  cpu_start=$cpu
  if "stage_$stage"; then result=passed; else result=FAILED; status=1; fi
  cpu_now
  line=$(printf '%-9s %-7s %5d s (processor time %d s)' "$stage" "$result" \
    $((SECONDS - start)) $((cpu - cpu_start)))
  summary+=("$line")
  echo "=== stage $line"
done
printf '%s\n' "${summary[@]}"
exit $status
