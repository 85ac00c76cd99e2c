#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs every test headless; then
# builds and runs the test suite again with the address and undefined-behaviour sanitizers, and
# runs the fuzz targets for a bounded time.
#
# ORVEL_TEST_SANITIZERS=0 and ORVEL_TEST_FUZZ=0 skip the sanitizer build and the fuzz runs.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/packages.sh
ensure_packages "${ORVEL_BUILD_PACKAGES[@]}" "${ORVEL_HARDENING_PACKAGES[@]}" \
    "${ORVEL_PACKAGE_PACKAGES[@]}" "${ORVEL_TEST_PACKAGES[@]}"
launcher=$(orvel_compiler_launcher)
sanitizers=${ORVEL_TEST_SANITIZERS:-1}

phase_start=$SECONDS
timings=()
lap() {
    timings+=("$(printf '%-34s %4d s' "$1" $((SECONDS - phase_start)))")
    phase_start=$SECONDS
}

# The benchmarks are programs, not tests: they compile in the sanitizer build below (so they
# cannot rot) and the Debug build, which the first test results wait for, skips them; without
# the sanitizer build they compile here.
bench=OFF
[ "$sanitizers" != 0 ] || bench=ON
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORVEL_WERROR=ON \
    -DORVEL_BUILD_BENCH=$bench $launcher
cmake --build build/test
lap "debug build"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build/test --output-on-failure -j2
lap "debug tests"

if [ "$sanitizers" != 0 ]; then
    # The whole suite again under AddressSanitizer (with LeakSanitizer) and UBSan. -O1 keeps the
    # instrumented tests quick; the package check is skipped, as it says nothing about memory
    # errors and costs a packaging run. The benchmarks are built here but not run.
    sanitize="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
    cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORVEL_WERROR=ON \
        -DORVEL_BUILD_BENCH=ON -DCMAKE_CXX_FLAGS="-O1 $sanitize" \
        -DCMAKE_EXE_LINKER_FLAGS="$sanitize" $launcher
    cmake --build build/asan
    lap "sanitizer build"
    ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=0" \
        LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0" \
        UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
        ctest --test-dir build/asan --output-on-failure -j2 -E '^package_install$'
    lap "sanitizer tests"
fi

if [ "${ORVEL_TEST_FUZZ:-1}" != 0 ]; then
    # About 45 s in all: each target stops at 200,000 inputs or 20 seconds, two at a time.
    scripts/fuzz.sh --runs 200000 --time 20 --together 2
    lap "fuzz build and runs"
fi

echo
echo "test.sh timings:"
printf '  %s\n' "${timings[@]}"
echo "  total                              $SECONDS s"
