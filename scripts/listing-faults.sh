#!/usr/bin/env bash
# Plays the operator of the real program under Xvfb against the scripted
# update server, for two listings no ordinary server sends:
#   linha     a line that names no file between two good ones;
#   recusada  LIST answered "450 No files found".
# Each case leaves a screenshot of the information box and one of the
# closing message in build/listing-faults/screenshots.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
base="$root/build/listing-faults"

# shellcheck source=lib/installation.sh
. scripts/lib/installation.sh
if [ -z "${VELM_UNDER_XVFB:-}" ]; then
    configure_and_build build/native -DVELM_BENCH=OFF \
        VelmUpdate velm_make_catalogue scripted_update_server
    rerun_under_xvfb "$0" "$@"
fi
program="$root/build/native/app/VelmUpdate"
server_program="$root/build/native/tests/sync/scripted_update_server"
shots="$base/screenshots"
rm -rf "$base"
mkdir -p "$shots"

make_programs_folder "$base"
make_catalogue "$root/build/native/upgrade/velm_make_catalogue" "$base" "$base/dados/BASE.GDB"

server_pid=
trap '[ -z "$server_pid" ] || kill "$server_pid" 2>/dev/null || true' EXIT

run_case() {  # name, listing text, [LIST reply]
    local name=$1 case="$base/$1"
    mkdir -p "$case/servidor"
    printf 'novidade\r\n' >"$case/servidor/novo.txt"
    printf 'MZ nova\n' >"$case/servidor/changed.dll"
    printf '%b' "$2" >"$case/listagem.txt"
    coproc SERVER { exec "$server_program" "$case/servidor" "$case/listagem.txt" ${3:+"$3"}; }
    server_pid=$SERVER_PID
    local port
    read -r port <&"${SERVER[0]}"
    make_installation "$case/instalacao" "$port" "$base/dados/BASE.GDB"
    cd "$case/instalacao"
    start_update "$program"
    answer_box "$shots/$name-box.png"
    sleep 1
    shot_screen "$shots/$name-end.png"
    echo "$name: fetched $(ls novo.txt changed.dll 2>/dev/null | tr '\n' ' ')" >&2
    leave_update
    kill "$server_pid"
    wait "$server_pid" 2>/dev/null || true
    server_pid=
    cd "$root"
}

run_case linha '-rw-r--r--   1 owner group       10 Dec  9 17:45 novo.txt\r\nthis line names no file at all\r\n-rw-r--r--   1 owner group        8 Dec  9 17:45 changed.dll\r\n'
run_case recusada '' '450 No files found'
echo "Screenshots in $shots"
