#!/usr/bin/env bash
# Installs what is missing, builds Linkora and runs every test with CTest.
#
# Two builds are made: one with AddressSanitizer and UndefinedBehaviorSanitizer
# (build-asan/), whose findings fail the run, and the ordinary one (build/),
# whose CTest summary closes the output. LINKORA_SKIP_SANITIZERS=1 skips the
# first one for quick local runs. A test that fails is run once more before it
# fails the run: a few tests race real processes, sockets and audio threads, and
# LeakSanitizer's own exit-time scan can crash on Qt's audio threads.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

bash scripts/install-deps.sh

jobs="$(nproc)"

# Qt's code generators miss source files that appear between two builds of one
# folder (a pull, a merge); forcing their scan keeps incremental builds right.
rescan_generated() {
    find "$1" -path '*_autogen/timestamp' -delete 2>/dev/null || true
}
export QT_QPA_PLATFORM=offscreen

if [ "${LINKORA_SKIP_SANITIZERS:-0}" != "1" ]; then
    cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLINKORA_SANITIZE=ON >/dev/null
    rescan_generated build-asan
    cmake --build build-asan -j "$jobs"
    ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1:fast_unwind_on_malloc=0" \
    LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0" \
    UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
        ctest --test-dir build-asan --output-on-failure -j "$jobs" --timeout 300 --repeat until-pass:2
fi

# CI also fuzzes the JSON reader for a bounded time (LINKORA_FUZZ_SECONDS runs it locally).
if [ "${CI:-}" = "true" ] || [ -n "${LINKORA_FUZZ_SECONDS:-}" ]; then
    echo "Fuzzing the JSON reader for ${LINKORA_FUZZ_SECONDS:-30} s"
    if ! LINKORA_FUZZ_SECONDS="${LINKORA_FUZZ_SECONDS:-30}" bash scripts/fuzz.sh >build-fuzz.log 2>&1; then
        tail -n 60 build-fuzz.log
        echo "The JSON fuzzer found a problem (log: build-fuzz.log)" >&2
        exit 1
    fi
    grep -E '^Done|stat::number_of_executed_units' build-fuzz.log || true
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
rescan_generated build
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs" --timeout 300 --repeat until-pass:2
