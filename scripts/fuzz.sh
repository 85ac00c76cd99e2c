#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, address and undefined-behaviour checks) and runs
# each of them, starting from the seed corpus kept in fuzz/corpus, with the token dictionaries
# in fuzz/dict. Prints the executions, their rate and the coverage each run reached; fails on
# any crash or broken property, leaving the input that caused it in build/fuzz/artifacts.
#
#   scripts/fuzz.sh                 # 10 minutes per target
#   scripts/fuzz.sh --time 20       # seconds per target
#   scripts/fuzz.sh --runs 20000 --time 25   # at most 20,000 inputs or 25 s per target
#   scripts/fuzz.sh --jobs 2 ...    # parallel workers per target
#   scripts/fuzz.sh --together 2 ...  # run two targets at a time (one core each)
#   scripts/fuzz.sh ... stream      # only the named targets (stream, reply, format, recording,
#                                   # events, payload)
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh

seconds=600
runs=-1
jobs=1
together=1
targets=()
while [ $# -gt 0 ]; do
    case "$1" in
    --time) seconds="$2"; shift 2 ;;
    --runs) runs="$2"; shift 2 ;;
    --jobs) jobs="$2"; shift 2 ;;
    --together) together="$2"; shift 2 ;;
    -h | --help) sed -n '2,14p' "$0"; exit 0 ;;
    *) targets+=("$1"); shift ;;
    esac
done
[ ${#targets[@]} -gt 0 ] || targets=(stream reply format recording events payload)

ensure_packages "${ORVEL_BUILD_PACKAGES[@]}" "${ORVEL_HARDENING_PACKAGES[@]}"

build=build/fuzz
cmake -S fuzz -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 -DORVEL_FUZZ=ON \
    -DORVEL_WERROR=ON $(orvel_compiler_launcher) >/dev/null
cmake --build "$build"

mkdir -p "$build/artifacts"
# max_len TARGET: the longest input the target reads, its leading bytes and the cap in its
# source (MaxStream, MaxReply, MaxTyped, MaxRecording, ReadingPayload::MaxBytes); the fuzzer then
# spends no time making inputs whose tail would be cut off.
max_len() {
    case "$1" in
    stream) echo $((4 + 256)) ;;
    reply) echo $((4 + 128)) ;;
    format) echo $((9 + 256)) ;;
    recording) echo $((1 + 1024)) ;;
    events) echo 2048 ;;
    payload) echo $((1024 + 16)) ;;
    esac
}
# fuzz_one TARGET: runs one target and leaves its summary line in $build/TARGET.summary; the
# line ends in FAILED when the run failed.
fuzz_one() {
    local target="$1"
    # The corpus grows in the build folder; the repository keeps only the seeds.
    local corpus="$build/corpus/$target"
    mkdir -p "$corpus"
    cp -n fuzz/corpus/"$target"/* "$corpus"/
    local log="$build/$target.log"
    echo "fuzz_$target: up to $seconds s, $runs runs, $jobs job(s)"
    local status=0
    local parallel=()
    [ "$jobs" -le 1 ] || parallel=(-jobs="$jobs" -workers="$jobs")
    # Qt's own start-up leaks (locale data, static caches) are reported at exit by LeakSanitizer
    # only once per process; they are not the code under test. LeakSanitizer looks for leaks at
    # exit, where any fails the run; libFuzzer's own look after every input is off
    # (-detect_leaks=0): the stream target keeps its monitor from one input to the next, so an
    # input may allocate more than it frees without leaking, and each such input was run again.
    # Workers log in the target's own folder, so targets running together keep their logs apart.
    # Freed memory waits in a 32 MB quarantine before reuse, far more than any input frees, so a
    # use after free is still caught; the default 256 MB made every input touch fresh pages.
    # Allocation and release stacks are kept 10 frames deep, which still names the callers and
    # costs less on every allocation than the default 30.
    mkdir -p "$build/work/$target"
    (cd "$build/work/$target" &&
        ASAN_OPTIONS="detect_leaks=1:quarantine_size_mb=32:malloc_context_size=10" \
        LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0" \
        UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
        "$root/$build/fuzz_$target" -dict="$root/fuzz/dict/$target.dict" \
        -max_len="$(max_len "$target")" -detect_leaks=0 \
        -max_total_time="$seconds" -runs="$runs" -print_final_stats=1 \
        -artifact_prefix="$root/$build/artifacts/$target-" "${parallel[@]}" "$root/$corpus") \
        >"$log" 2>&1 || status=$?
    if [ "$jobs" -gt 1 ]; then
        cat "$build/work/$target"/fuzz-*.log >>"$log" 2>/dev/null || true
        rm -f "$build/work/$target"/fuzz-*.log
    fi
    # The figures libFuzzer prints: executed inputs, and the most edges and features covered.
    local executions rate coverage features entries line
    executions=$(awk '/stat::number_of_executed_units/ {s += $2} END {print s + 0}' "$log")
    # Inputs a second, over all workers: too few and a bounded run explores little.
    rate=$(awk '/stat::average_exec_per_sec/ {s += $2} END {print s + 0}' "$log")
    coverage=$(awk '/^#[0-9]+/ {for (i = 1; i < NF; ++i) if ($i == "cov:" && $(i + 1) > m)
        m = $(i + 1)} END {print m + 0}' "$log")
    features=$(awk '/^#[0-9]+/ {for (i = 1; i < NF; ++i) if ($i == "ft:" && $(i + 1) > m)
        m = $(i + 1)} END {print m + 0}' "$log")
    entries=$(ls "$corpus" | wc -l)
    line=$(printf '%-14s %10s executions  %6s execs/s  %4s edges  %5s features  %5s corpus entries' \
        "fuzz_$target" "$executions" "$rate" "$coverage" "$features" "$entries")
    if [ "$status" -ne 0 ]; then
        line="$line  FAILED (exit $status, see $log)"
        grep -E 'ERROR|property violated|runtime error' "$log" | head -5 >&2 || true
    fi
    echo "$line" >"$build/$target.summary"
}

root=$PWD
running=0
for target in "${targets[@]}"; do
    if [ "$running" -ge "$together" ]; then
        wait -n || true
        running=$((running - 1))
    fi
    fuzz_one "$target" &
    running=$((running + 1))
done
wait

summary=()
for target in "${targets[@]}"; do
    summary+=("$(cat "$build/$target.summary" 2>/dev/null || echo "fuzz_$target  FAILED (no summary)")")
done
case "${summary[*]}" in *FAILED*) failed=1 ;; esac

echo
echo "Fuzzing summary:"
printf '  %s\n' "${summary[@]}"
[ -z "${failed:-}" ]
