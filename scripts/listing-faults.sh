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
mkdir -p "$base/programas/WinRAR" "$base/dados" "$shots"

# The archiver's stand-in, the registry naming its folder, the catalogue
# with the FTP password and the product database, as the demo lays them out.
printf '#!/bin/sh\n' >"$base/programas/WinRAR/WinRAR.exe"
chmod +x "$base/programas/WinRAR/WinRAR.exe"
cat >"$base/registry.reg" <<REG
REGEDIT4

[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion]
"ProgramFilesDir"="$base/programas"
REG
export VELMUPDATE_REGISTRY="$base/registry.reg"
"$root/build/native/upgrade/velm_make_catalogue" --catalogue "$base/catalogo.db" \
    --aliases "$base/aliases.ini" --product "$base/dados/BASE.GDB" --ftp-password 1yhopiws >&2
export VELMUPDATE_ALIASES="$base/aliases.ini"

make_installation() {  # folder, server port
    mkdir -p "$1"
    for exe in App_Vezra_Config.exe App_Vezra_Lista.exe App_Vezra_Solicita.exe Sys_Brevant.exe; do
        printf 'MZ demo\n' >"$1/$exe"
        touch -d '2026-11-02 08:00' "$1/$exe"
    done
    printf '[SISTEMA]     %s\r\n' "$base/dados/BASE.GDB" >"$1/Sys_Info.INI"
    printf '127.0.0.1\r\n%s\r\n\r\n' "$2" >"$1/atualiza.cfg"
}

wait_window() {  # title regex -> window id
    local id i
    for ((i = 0; i < 150; i++)); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)
        if [ -n "$id" ]; then
            sleep 0.5  # let it paint
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    echo "window '$1' did not appear" >&2
    return 1
}

# The whole screen, since the box is a window of its own, less the empty
# border around the update window.
shot() {  # file name
    import -window root "$shots/$1"
    mogrify -trim +repage "$shots/$1"
}

click() {  # window id, x, y (client coordinates)
    xdotool mousemove --window "$1" "$2" "$3" click 1
    sleep 0.3
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
    make_installation "$case/instalacao" "$port"
    cd "$case/instalacao"
    "$program" &
    local pid=$! gate window box
    gate=$(wait_window '^Atualização$')
    click "$gate" 46 568   # CheckBox1
    click "$gate" 46 591   # CheckBox2
    click "$gate" 698 586  # "&Continuar  "
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
