#!/usr/bin/env bash
# The README's test command: installs what is missing, starts the servers the
# tests use, then builds and runs every test in three builds:
#   build/native  the normal build with every test
#   build/asan    the same tests with AddressSanitizer and UndefinedBehaviorSanitizer
#   build/wine    velm_core and its tests cross-built for Windows, run under Wine
# The normal build treats warnings as errors, so no warning comes back unseen.
# Pass the names of builds to run only some of them (e.g. "native wine").
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

builds=("$@")
[ ${#builds[@]} -gt 0 ] || builds=(native asan wine)

# Folders depend downwards only: fail before any build when one does not.
scripts/check-layers.sh

scripts/setup.sh

state="$root/build/services"
scripts/services.sh start "$state"
trap 'scripts/services.sh stop "$state"' EXIT
# shellcheck disable=SC1091
. "$state/env"
export VELM_REQUIRE_SERVERS=1

jobs=$(nproc)

native_like() {  # build folder, extra cmake arguments...
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja -DVELM_BENCH=OFF "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
    (cd "$dir" && ctest --output-on-failure -j "$jobs")
}

run_wine() {
    local dir="$root/build/wine"
    export WINEPREFIX="$dir/wine" WINEDEBUG=-all LANG=C.UTF-8 LC_ALL=C.UTF-8
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    mkdir -p "$WINEPREFIX"
    wineserver -p </dev/null >/dev/null 2>&1 || true  # already running is fine
    wine wineboot -i </dev/null >/dev/null 2>&1
    cmake -S . -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$dir" -j "$jobs"
    local rc=0
    (cd "$dir" && ctest --output-on-failure) || rc=$?
    wineserver -k </dev/null >/dev/null 2>&1 || true
    return $rc
}

for b in "${builds[@]}"; do
    echo "=== build: $b"
    case "$b" in
    native) native_like build/native -DVELM_WERROR=ON ;;
    asan)
        ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
            native_like build/asan -DVELM_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
        ;;
    wine) run_wine ;;
    *)
        echo "unknown build: $b" >&2
        exit 2
        ;;
    esac
done
echo "All test builds passed: ${builds[*]}"
