#!/usr/bin/env bash
# Builds everything and runs the whole test suite; then, unless --quick is given, runs each
# fuzzer briefly, drives one conversation in the real window on a virtual display, builds and
# checks the .deb packages, and runs the suite again under AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
quick=0
[ "${1:-}" = "--quick" ] && quick=1

if [ "$quick" -eq 1 ]; then
    bash "$root/tools/install-deps.sh" quick
else
    bash "$root/tools/install-deps.sh" test
fi
export QT_QPA_PLATFORM=offscreen

# One throw-away Wine prefix per full run, made headless, for the compiles through real Wine
# (tests/platform/tst_winecompile, which skips without it); removed, with its wineserver, when
# the run ends.
if [ "$quick" -eq 0 ]; then
    wine_prefix=$(mktemp -d "${TMPDIR:-/tmp}/tavrin-wine.XXXXXX")
    end_wine() { WINEPREFIX="$wine_prefix" wineserver -k 2>/dev/null || true; rm -rf "$wine_prefix"; }
    trap end_wine EXIT
    WINEPREFIX="$wine_prefix" WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all DISPLAY= wineboot --init
    WINEPREFIX="$wine_prefix" wineserver -w
    export BREVAN_TEST_WINEPREFIX=$wine_prefix
fi

run_suite() {
    local build=$1; shift
    cmake -S "$root" -B "$build" -G Ninja "$@"
    cmake --build "$build"
    ctest --test-dir "$build" --output-on-failure -j2
}

run_suite "$root/build-tests" -DCMAKE_BUILD_TYPE=Debug
[ "$quick" -eq 1 ] && exit 0

# The client's Windows-only branches, compiled for Windows (syntax only).
bash "$root/tools/check-windows-syntax.sh" "$root/build-tests"

# The Windows build and its tests under Wine, where a Qt for Windows is at hand; elsewhere
# the script says how to get one and the run goes on.
bash "$root/tools/windows-leg.sh" --if-available "$root/build-windows"

bash "$root/tests/fuzz/run"
bash "$root/tools/smoke/run.sh" "$root/build-tests"
bash "$root/tools/check-packages.sh" "$root/build-pkg"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$root/tests/sanitizers/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run_suite "$root/build-sanitize" -DCMAKE_BUILD_TYPE=Debug -DBREVAN_SANITIZE=ON
