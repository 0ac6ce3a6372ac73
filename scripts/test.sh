#!/usr/bin/env bash
# Builds everything and runs every test, headless: once as built for use, once more with
# AddressSanitizer and UndefinedBehaviorSanitizer. Usage: scripts/test.sh
# LOADER_SKIP_SANITIZERS=1 leaves out the second build.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
export QT_QPA_PLATFORM=offscreen

run_tests() {
    local build=$1
    shift
    cmake -S . -B "$build" -G Ninja "$@"
    cmake --build "$build" --parallel "$jobs"
    ctest --test-dir "$build" --output-on-failure --parallel "$jobs" --timeout 300
}

run_tests "${BUILD_DIR:-build}" -DCMAKE_BUILD_TYPE=RelWithDebInfo

if [ "${LOADER_SKIP_SANITIZERS:-0}" != 1 ]; then
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
    export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    run_tests "${SANITIZE_BUILD_DIR:-build-sanitize}" -DCMAKE_BUILD_TYPE=Debug \
        -DLOADER_SANITIZE=ON -DLOADER_BUILD_BENCH=OFF
fi
