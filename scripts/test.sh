#!/usr/bin/env bash
# Installs what is missing, builds Linkora and runs every test with CTest.
#
# One build (build-asan/) with AddressSanitizer and UndefinedBehaviorSanitizer:
# every test runs in it, and a finding fails the run. The benchmarks are built
# there too but never run. A test that fails is run once more before it fails
# the run: a few tests race real processes, sockets and audio threads, and
# LeakSanitizer's own exit-time scan can crash on Qt's audio threads.
# Under CI=true (or with LINKORA_FUZZ_SECONDS set) the fuzzers also run for a
# bounded time.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

bash scripts/install-deps.sh

jobs="$(nproc)"
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLINKORA_SANITIZE=ON >/dev/null
# Qt's code generators miss source files that appear between two builds of one
# folder (a pull, a merge); forcing their scan keeps incremental builds right.
find build-asan -path '*_autogen/timestamp' -delete 2>/dev/null || true
cmake --build build-asan -j "$jobs"

if [ "${CI:-}" = "true" ] || [ -n "${LINKORA_FUZZ_SECONDS:-}" ]; then
    echo "Fuzzing for ${LINKORA_FUZZ_SECONDS:-30} s per target"
    if ! LINKORA_FUZZ_SECONDS="${LINKORA_FUZZ_SECONDS:-30}" bash scripts/fuzz.sh >build-fuzz.log 2>&1; then
        tail -n 60 build-fuzz.log
        echo "A fuzzer found a problem (log: build-fuzz.log)" >&2
        exit 1
    fi
    grep -E '^Done|stat::number_of_executed_units' build-fuzz.log || true
fi

# Allocation stacks come from the quick frame-pointer walk: the full walk made
# the run two and a half times slower. It can stop early in Qt's libraries,
# which is why lsan.supp also names them by library.
ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1:fast_unwind_on_malloc=1" \
LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0" \
UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
    ctest --test-dir build-asan --output-on-failure -j "$jobs" --timeout 300 --repeat until-pass:2
