#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, and runs every test:
#  1. the full build's tests (core, engine, GUI) under one Xvfb server;
#  2. the core's tests again under AddressSanitizer and UndefinedBehaviorSanitizer;
#  3. each libFuzzer target for a bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
JOBS=$(nproc)
FUZZ_SECONDS=${FUZZ_SECONDS:-60}
LOGDIR=build-logs
mkdir -p "$LOGDIR"

bash scripts/build.sh
echo "== tests (full build, Xvfb)"
xvfb-run -a -s "-screen 0 1280x1024x24" \
  ctest --test-dir build --output-on-failure -j"$JOBS" --timeout 900 | tee "$LOGDIR/full.log"

echo "== core tests under ASan/UBSan"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCURVANE_CORE_ONLY=ON -DCURVANE_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$JOBS"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j"$JOBS" --timeout 900 | tee "$LOGDIR/asan.log"

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

# One closing line over all three stages.
count() { grep -E 'tests passed, [0-9]+ tests failed out of' "$1" | tail -n1 | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1 \2/'; }
read -r f1 t1 < <(count "$LOGDIR/full.log")
read -r f2 t2 < <(count "$LOGDIR/asan.log")
echo "fuzz targets run: $fuzz_ran"
echo "total: $(( t1 - f1 + t2 - f2 + fuzz_ran )) passed, $(( f1 + f2 )) failed"
