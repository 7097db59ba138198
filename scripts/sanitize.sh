#!/usr/bin/env bash
# Sanitizer and fuzzing runs, each in a build folder of its own (built once, then rebuilt
# incrementally):
#   asan  every Linux test (widget tests on the offscreen platform) built with
#         -fsanitize=address,undefined; leaks are checked, the first report stops the test
#   tsan  the tests of the receive path, the window's searches and the simulator built with
#         -fsanitize=thread
#   fuzz  the libFuzzer targets of fuzz/: first every saved crash input of
#         fuzz/regressions/<target>/ is replayed, then each target runs FUZZ_SECONDS (60)
#         from its seed corpus fuzz/corpus/<target>/; a new crash input is saved there
#   ci    all three
# FUZZ_TARGETS="fuzz_reply ..." runs only those fuzz targets.
# Prints test counts, fuzz execution counts and how long each part took.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
supp="$root/scripts/sanitizers"
jobs="${JOBS:-$(nproc)}"
fuzz_seconds="${FUZZ_SECONDS:-60}"

usage() {
    echo "usage: $0 asan|tsan|fuzz|ci" >&2
    exit 2
}

# Debian packages the sanitizer builds need beyond those of scripts/install-deps.sh.
install_tools() {
    "$root/scripts/install-deps.sh" clang libclang-rt-14-dev llvm
}

# configure <build folder> <sanitizer flags> [cmake options...]
configure() {
    local build=$1 flags=$2
    shift 2
    cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ \
        -DCMAKE_BUILD_TYPE=Debug \
        -DCMAKE_CXX_FLAGS="-O1 -fno-omit-frame-pointer $flags" \
        -DCMAKE_EXE_LINKER_FLAGS="$flags" -DCMAKE_SHARED_LINKER_FLAGS="$flags" \
        "$@" >/dev/null
}

export ASAN_SYMBOLIZER_PATH="${ASAN_SYMBOLIZER_PATH:-$(command -v llvm-symbolizer || true)}"
asan_env() {
    export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:abort_on_error=0:strict_init_order=1"
    export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
    export LSAN_OPTIONS="suppressions=$supp/lsan.supp:print_suppressions=0"
}

run_asan() {
    local build="$root/build-asan" start=$SECONDS
    asan_env
    configure "$build" "-fsanitize=address,undefined -fno-sanitize-recover=undefined"
    # Test discovery runs each test binary at build time, so the options above apply there too.
    nice cmake --build "$build" --parallel "$jobs"
    echo "--- asan build: $((SECONDS - start)) s"
    start=$SECONDS
    local log="$build/ctest.log" rc=0
    # The clock step tests run the search under libfaketime's preloaded clock, which cannot
    # start beside the sanitizer runtime (both take over clock_gettime before main).
    (cd "$build" && ctest -E '^Moves/ClockStep' --output-on-failure --parallel "$jobs" \
        --timeout 600) >"$log" 2>&1 || rc=$?
    grep -E "tests passed|tests failed|\*\*\*Failed|SUMMARY:|ERROR: (Address|Leak)Sanitizer|runtime error:" "$log" || true
    [ $rc -eq 0 ] || tail -n 200 "$log"
    echo "--- asan tests: $((SECONDS - start)) s"
    return $rc
}

# The tests of the receive path, the window's searches and the simulator. Test binaries of
# this list that the tree does not have (yet) are left out.
tsan_targets=(driver_test tools_test net_test write_check_test cli_command_test discovery_test main_window_test write_command_test)

run_tsan() {
    local build="$root/build-tsan" start=$SECONDS
    # Qt is not built with the race detector: its locks (futexes) are invisible to it, so
    # memory that Qt hands between its own threads (the thread pool that converts and
    # scales images) looks raced. ignore_noninstrumented_modules leaves out what Qt itself
    # does through intercepted calls (new/delete, memcpy); every access of our own code is
    # still checked.
    export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:ignore_noninstrumented_modules=1:suppressions=$supp/tsan.supp"
    configure "$build" "-fsanitize=thread"
    local available targets=() t
    available="$(cmake --build "$build" --target help)"
    for t in "${tsan_targets[@]}"; do
        grep -qw -- "$t" <<<"$available" && targets+=("$t")
    done
    nice cmake --build "$build" --parallel "$jobs" --target "${targets[@]}"
    echo "--- tsan build (${targets[*]}): $((SECONDS - start)) s"
    start=$SECONDS
    # Each test in a process of its own, as in the ordinary run; the tests of the binaries
    # that were not built are left out. One at a time: two instrumented windows and their
    # instrumented simulators side by side on two cores slow replies past the quarter second
    # after which a search asks a silent card's neighbours again, and the tests then see
    # those controllers twice.
    local log="$build/ctest.log" rc=0
    (cd "$build" && ctest -E _NOT_BUILT --output-on-failure --timeout 300) \
        >"$log" 2>&1 || rc=$?
    grep -E "tests passed|tests failed|\*\*\*Failed|WARNING: ThreadSanitizer|SUMMARY:" "$log" || true
    [ $rc -eq 0 ] || tail -n 200 "$log"
    echo "--- tsan tests: $((SECONDS - start)) s"
    return $rc
}

run_fuzz() {
    local build="$root/build-fuzz" start=$SECONDS
    asan_env
    configure "$build" "-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined" \
        -DQUORREL_GUI=OFF -DBUILD_TESTING=OFF -DQUORREL_FUZZ=ON
    local targets=()
    if [ -n "${FUZZ_TARGETS:-}" ]; then
        read -r -a targets <<<"$FUZZ_TARGETS"
    else
        mapfile -t targets < <(cmake --build "$build" --target help |
            sed -n 's/^\.\.\. \(fuzz_[a-z_]*\)$/\1/p')
    fi
    nice cmake --build "$build" --parallel "$jobs" --target "${targets[@]}"
    echo "--- fuzz build (${#targets[@]} targets): $((SECONDS - start)) s"
    local failed=0 t bin log runs seeds regressions part
    for t in "${targets[@]}"; do
        part=$SECONDS
        bin="$build/fuzz/$t"
        seeds="$root/fuzz/corpus/$t"
        regressions="$root/fuzz/regressions/$t"
        mkdir -p "$build/corpus/$t" "$build/artifacts/$t"
        # Saved crash inputs first: each must now run clean.
        if compgen -G "$regressions/*" >/dev/null; then
            if ! "$bin" "$regressions"/* >"$build/$t.regressions.log" 2>&1; then
                echo "$t: a saved crash input fails again"
                tail -n 60 "$build/$t.regressions.log"
                failed=$((failed + 1))
                continue
            fi
            echo "$t: $(find "$regressions" -type f | wc -l) saved crash inputs run clean"
        fi
        log="$build/$t.log"
        if "$bin" -max_total_time="$fuzz_seconds" -timeout=10 -print_final_stats=1 \
            -artifact_prefix="$build/artifacts/$t/" "$build/corpus/$t" "$seeds" >"$log" 2>&1; then
            runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")"
            echo "$t: ${runs:-?} runs, no crash ($((SECONDS - part)) s)"
        else
            echo "$t: CRASH"
            grep -E "ERROR: |runtime error:|SUMMARY:|Test unit written" "$log" | head -n 20 || true
            tail -n 80 "$log"
            mkdir -p "$regressions"
            cp "$build/artifacts/$t"/* "$regressions/" 2>/dev/null || true
            echo "$t: input kept in fuzz/regressions/$t/ (commit it with the fix)"
            failed=$((failed + 1))
        fi
    done
    echo "--- fuzz: $((SECONDS - start)) s, $failed targets failed"
    [ $failed -eq 0 ]
}

# Every part runs even when an earlier one failed; the result fails if any did.
timed() {
    local name=$1 start=$SECONDS rc=0
    echo "=== sanitize $name"
    "run_$name" || rc=$?
    echo "=== sanitize $name: $((SECONDS - start)) s, $([ $rc -eq 0 ] && echo passed || echo FAILED)"
    return $rc
}

[ $# -eq 1 ] || usage
case "$1" in
asan | tsan | fuzz)
    install_tools
    timed "$1"
    ;;
ci)
    install_tools
    rc=0
    timed asan || rc=1
    timed tsan || rc=1
    timed fuzz || rc=1
    exit $rc
    ;;
*) usage ;;
esac
