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

if [ -z "${VELM_UNDER_XVFB:-}" ]; then
    cmake -S . -B build/native -G Ninja -DVELM_BENCH=OFF >/dev/null
    cmake --build build/native --target VelmUpdate velm_make_catalogue scripted_update_server \
        -j "$(nproc)" >&2
    export VELM_UNDER_XVFB=1
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
program="$root/build/native/app/VelmUpdate"
server_program="$root/build/native/tests/sync/scripted_update_server"
shots="$base/screenshots"
rm -rf "$base"
mkdir -p "$shots"

# shellcheck source=lib/installation.sh
. scripts/lib/installation.sh
make_programs_folder "$base"
make_catalogue "$root/build/native/upgrade/velm_make_catalogue" "$base" "$base/dados/BASE.GDB"

# The whole screen, since the box is a window of its own, less the empty
# border around the update window.
shot() {  # file name
    import -window root "$shots/$1"
    mogrify -trim +repage "$shots/$1"
}

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
    "$program" &
    local pid=$! gate window box
    gate=$(wait_window '^Atualização$')
    confirm_gate "$gate"
    window=$(wait_window '^Atualização de Sistema$')
    xdotool key --window "$window" Return
    box=$(wait_window '^VelmUpdate$')
    shot "$name-box.png"
    xdotool windowactivate --sync "$box" 2>/dev/null || true
    xdotool key Return  # OK: the box has the focus
    while xdotool search --onlyvisible --name '^VelmUpdate$' >/dev/null 2>&1; do sleep 0.1; done
    sleep 1
    shot "$name-end.png"
    echo "$name: fetched $(ls novo.txt changed.dll 2>/dev/null | tr '\n' ' ')" >&2
    click "$window" 849 581  # "&Sair"
    wait "$pid" || true
    kill "$server_pid"
    wait "$server_pid" 2>/dev/null || true
    server_pid=
    cd "$root"
}

run_case linha '-rw-r--r--   1 owner group       10 Dec  9 17:45 novo.txt\r\nthis line names no file at all\r\n-rw-r--r--   1 owner group        8 Dec  9 17:45 changed.dll\r\n'
run_case recusada '' '450 No files found'
echo "Screenshots in $shots"
