#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, and runs every test:
#  1. the full build's tests (core, engine, GUI) under one Xvfb server;
#  2. the whole program built with AddressSanitizer and UndefinedBehaviorSanitizer:
#     the core's tests again, then the random-input soak test on a screen of its own;
#  3. each libFuzzer target for a bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
JOBS=$(nproc)
FUZZ_SECONDS=${FUZZ_SECONDS:-60}
# The soak test's fixed seeds, SOAK_SECONDS each: 5 minutes in all. Other
# seeds and longer runs by hand (README, "Soak test").
SOAK_SEEDS=(1 2 3 4 5)
SOAK_SECONDS=${SOAK_SECONDS:-60}
LOGDIR=build-logs
mkdir -p "$LOGDIR"

bash scripts/build.sh
echo "== tests (full build, Xvfb)"
xvfb-run -a -s "-screen 0 1280x1024x24" \
  ctest --test-dir build --output-on-failure -j"$JOBS" --timeout 900 | tee "$LOGDIR/full.log"

echo "== core tests under ASan/UBSan"
# -O1 keeps the instrumented GUI near the soak test's pace (its answers to the
# driver's pings stay far below the 10 s hang limit); it compiles about a
# quarter slower than -O0. CORE_ONLY is named because a build-asan of an
# earlier version, which built only the core, keeps it ON in its cache.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-g -O1" \
  -DCURVANE_CORE_ONLY=OFF -DCURVANE_SANITIZE=ON -DCURVANE_BENCH=OFF >/dev/null
cmake --build build-asan -j"$JOBS" --target core_tests curvane curvane_soak
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan -L core --output-on-failure -j"$JOBS" --timeout 900 | tee "$LOGDIR/asan.log"

echo "== soak test under ASan/UBSan (${#SOAK_SEEDS[@]} seeds, ${SOAK_SECONDS}s each)"
soak_passed=0
soak_failed=0
for seed in "${SOAK_SEEDS[@]}"; do
  if xvfb-run -a -s "-screen 0 1280x1024x24" build-asan/soak/curvane_soak --seed "$seed" \
      --seconds "$SOAK_SECONDS" --program build-asan/curvane --examples examples \
      --scratch "build-asan/soak-scratch/$seed" 2>&1 | tee "$LOGDIR/soak-$seed.log"; then
    soak_passed=$((soak_passed + 1))
  else
    soak_failed=$((soak_failed + 1))
  fi
done

echo "== fuzzing (${FUZZ_SECONDS}s per target)"
CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCURVANE_FUZZ=ON -DCURVANE_SANITIZE=ON -DCURVANE_TESTS=OFF >/dev/null
cmake --build build-fuzz -j"$JOBS"
fuzz_ran=0
for target in build-fuzz/fuzz/*_fuzz; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus="build-fuzz/corpus/$name"
  mkdir -p "$corpus"
  seeds="fuzz/seeds/$name"
  [ -d "$seeds" ] || seeds=""
  echo "-- $name"
  ASAN_OPTIONS=detect_leaks=1 "$target" -max_total_time="$FUZZ_SECONDS" -rss_limit_mb=2048 -timeout=10 \
    -print_final_stats=1 "$corpus" $seeds 2>&1 | tail -n 12
  fuzz_ran=$((fuzz_ran + 1))
done

# One closing line over all the stages.
count() { grep -E 'tests passed, [0-9]+ tests failed out of' "$1" | tail -n1 | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1 \2/'; }
read -r f1 t1 < <(count "$LOGDIR/full.log")
read -r f2 t2 < <(count "$LOGDIR/asan.log")
echo "fuzz targets run: $fuzz_ran"
echo "soak seeds: $soak_passed passed, $soak_failed failed"
echo "total: $(( t1 - f1 + t2 - f2 + soak_passed + fuzz_ran )) passed, $(( f1 + f2 + soak_failed )) failed"
# A soak finding fails the run (a failing test program already stopped it above).
[ "$soak_failed" -eq 0 ]
