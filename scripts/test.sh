#!/usr/bin/env bash
# Installs what is missing, then builds and passes the whole test suite twice: a normal Release
# build (warnings as errors, benchmarks built too), then an AddressSanitizer +
# UndefinedBehaviorSanitizer build. Each build sets every option it depends on, so whatever
# configured build/ before (the demo command turns tests off there) changes nothing; ctest fails
# when it finds no tests.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
jobs="$(nproc)"

echo "== normal build =="
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DZENTRIK_WERROR=ON -DZENTRIK_SANITIZE=OFF \
  -DZENTRIK_FUZZ=OFF -DZENTRIK_TESTS=ON -DZENTRIK_BENCH=ON -DZENTRIK_INSTALL=ON \
  -DZENTRIK_TEST_OPTIMIZE=-O1 -DZENTRIK_TEST_PROCESSES=case >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure --no-tests=error -j"$jobs"

echo "== sanitizer build (ASan + UBSan) =="
# -O1 with line tables: the sanitizers' reports keep file and line, and the heavy template code of
# the HTTP and JSON libraries compiles in half the time it takes at -O2 with full debug information.
# The tests' own code compiles at -O0 here and -O1 in the normal build (the libraries they check
# keep the build's optimisation). Each test program runs whole (the long ones in shards): a process
# start costs a tenth of a second here, more than most cases take.
sanitize_opt="-O1 -g1 -DNDEBUG"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="$sanitize_opt" -DCMAKE_C_FLAGS_RELWITHDEBINFO="$sanitize_opt" \
  -DZENTRIK_WERROR=ON -DZENTRIK_SANITIZE=ON -DZENTRIK_FUZZ=OFF -DZENTRIK_TESTS=ON -DZENTRIK_BENCH=OFF \
  -DZENTRIK_INSTALL=ON -DZENTRIK_TEST_OPTIMIZE=-O0 -DZENTRIK_TEST_PROCESSES=program >/dev/null
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure --no-tests=error -j"$jobs"
