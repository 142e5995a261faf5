#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs one or all of them.
#   scripts/fuzz.sh [SECONDS] [TARGET...]     (default: 600 seconds, every target)
# Corpora live in build/fuzz/corpus/<target>; crashes are written to build/fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
shift || true
scripts/setup.sh
dir=build/fuzz
CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DVELM_FUZZ=ON -DVELM_BENCH=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    mapfile -t targets < <(sed -n 's/^velm_add_fuzzer(\([a-z_0-9]*\).*/\1/p' fuzz/CMakeLists.txt)
fi
cmake --build "$dir" --target "${targets[@]}"
for t in "${targets[@]}"; do
    mkdir -p "$dir/corpus/$t"
    seeds=()
    [ -d "fuzz/seeds/$t" ] && seeds=("fuzz/seeds/$t")
    echo "=== $t for $seconds s"
    (cd "$dir" && "./fuzz/$t" -max_total_time="$seconds" -print_final_stats=1 \
        "corpus/$t" "${seeds[@]/#/../../}")
done
