#!/usr/bin/env bash
# usage: ci-stages.sh STAGE...   the CI stages after the regular build and its tests, each timed.
#   release   Release build of what the package holds, the Debian package, its test
#   sanitize  ASan + UBSan build in build-asan (-O1, line tables only: quicker to build, and
#             enough for the reports' stack traces), every test run there
#   fuzz      the libFuzzer targets built with clang in build-fuzz, each run for FUZZ_SECONDS
#             (60) from seeds made of ../shared/corpus, two at a time (one per core)
# Every stage runs even when one before it failed; the exit status says whether any failed.
# Extra cmake arguments for every build: CI_CMAKE_ARGS (CI passes -DFIELDMEND_WERROR=ON).
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
read -r -a extra <<<"${CI_CMAKE_ARGS:-}"
corpus=${FIELDMEND_CORPUS_DIR:-$here/../shared/corpus}

stage_release() {
  # The tests are built and run in the other builds; here only what is shipped, so that
  # cpack's install step does not build everything first.
  cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON "${extra[@]}" >/dev/null &&
    cmake --build build-release --target package_contents &&
    (cd build-release && rm -f fieldmend_*.deb && cpack -G DEB) &&
    "$here/scripts/test-package.sh" build-release/fieldmend_*_amd64.deb
}

stage_sanitize() {
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFIELDMEND_SANITIZE=ON \
    "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1" "${extra[@]}" >/dev/null &&
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

# Runs one fuzz target; leaves its log and, when it passed, a .passed mark beside its artifacts.
fuzz_one() {
  local t=$1 work=build-fuzz/work/$1 artifacts=build-fuzz/artifacts/$1
  mkdir -p "$work" "$artifacts" "build-fuzz/seeds/$t"
  build-fuzz/tests/fuzz/fuzz_$t -max_total_time="${FUZZ_SECONDS:-60}" \
    -max_len="$(fuzz_max_len "$t")" -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
    -artifact_prefix="$artifacts/" "$work" "build-fuzz/seeds/$t" >"$artifacts.log" 2>&1 &&
    touch "$artifacts.passed"
}

stage_fuzz() {
  local targets=(header usage_map table_def row long_value index_page property_map database
                 set_file connection_string)
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DFIELDMEND_FUZZ=ON -DFIELDMEND_GUI=OFF "${extra[@]}" >/dev/null &&
    cmake --build build-fuzz --target "${targets[@]/#/fuzz_}" || return 1
  rm -rf build-fuzz/seeds build-fuzz/work build-fuzz/artifacts
  python3 tests/fuzz/make_seeds.py "$corpus" build-fuzz/seeds || return 1
  # two lanes, one per core; each target's output goes to its log, shown when it fails
  local lane pids=()
  for lane in 0 1; do
    (for ((i = lane; i < ${#targets[@]}; i += 2)); do fuzz_one "${targets[i]}"; done) &
    pids+=($!)
  done
  wait "${pids[@]}"
  local failed=0 t
  for t in "${targets[@]}"; do
    local artifacts=build-fuzz/artifacts/$t
    if [ -f "$artifacts.passed" ]; then
      echo "fuzz_$t: $(grep -E "^Done" "$artifacts.log")"
      continue
    fi
    failed=1
    echo "fuzz_$t FAILED; the end of its log:"
    tail -n 60 "$artifacts.log"
    local input
    for input in "$artifacts"/*; do
      [ -f "$input" ] || continue
      echo "fuzz_$t: failing input kept at $here/$input ($(stat -c %s "$input") bytes); first bytes:"
      od -A x -t x1z -v "$input" | head -n 16
    done
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
