#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors, builds the test suite again with the
# address and undefined-behaviour sanitizers, runs both suites headless side by side, and runs
# the fuzz targets for a bounded time.
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
# cannot rot) and the Debug build skips them; without the sanitizer build they compile here.
bench=OFF
[ "$sanitizers" != 0 ] || bench=ON
# -Og: the checks of a Debug build at about the speed of an optimised one, so that the soak's two
# days of records do not hold up the suite.
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -Og" \
    -DORVEL_WERROR=ON -DORVEL_BUILD_BENCH=$bench $launcher
cmake --build build/test
lap "debug build"

if [ "$sanitizers" != 0 ]; then
    # The whole suite again under AddressSanitizer (with LeakSanitizer) and UBSan. -O1 keeps the
    # instrumented tests quick. The benchmarks are built here but not run.
    sanitize="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
    cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORVEL_WERROR=ON \
        -DORVEL_BUILD_BENCH=ON -DCMAKE_CXX_FLAGS="-O1 $sanitize" \
        -DCMAKE_EXE_LINKER_FLAGS="$sanitize" $launcher
    cmake --build build/asan
    lap "sanitizer build"
fi

# Both suites run side by side: most tests wait for the simulator's line or for a timer, and
# the two long ones (the soak in each build) take a core each. Each suite's log is printed whole
# once both are done. The package check is left out of the sanitizer run, as it says nothing
# about memory errors and costs a packaging run.
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build/test --output-on-failure -j2 >build/test/suite.log 2>&1 &
debug_suite=$!
if [ "$sanitizers" != 0 ]; then
    ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=0" \
        LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0" \
        UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
        ctest --test-dir build/asan --output-on-failure -j2 -E '^package_install$' \
        >build/asan/suite.log 2>&1 &
    sanitizer_suite=$!
fi
failed=()
wait "$debug_suite" || failed+=("Debug")
echo "== Debug build's tests"
cat build/test/suite.log
if [ "$sanitizers" != 0 ]; then
    wait "$sanitizer_suite" || failed+=("sanitizer")
    echo "== Sanitizer build's tests"
    cat build/asan/suite.log
fi
lap "tests (both builds, side by side)"
if [ ${#failed[@]} -gt 0 ]; then
    echo "test.sh: the ${failed[*]} build's tests failed (see above)" >&2
    exit 1
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
