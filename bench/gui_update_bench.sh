#!/usr/bin/env bash
# The real program (Release) under Xvfb, played by keys and clicks as
# scripts/demo.sh plays it, from Enter at the ready prompt to the upgrade
# window ("Aviso") appearing, over N files of 10 KiB served by pyftpdlib
# behind bench/delay_proxy.py; `lftp -e mirror` over the same proxy beside
# it, alternating. Every file new (an empty folder), then nothing changed.
#
#   bash bench/gui_update_bench.sh [files...] [--rtt-ms MS] [--runs N]
#   (default: 200 500, 20 ms, 3 runs)
#
# The catalogue holds one long script (a few thousand inserts) so that the
# upgrade window stays up for seconds and the 20 ms poll cannot miss it; the
# product database is copied afresh before each run so that it is pending.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
sizes=()
rtt=20
runs=3
while [ $# -gt 0 ]; do
    case "$1" in
    --rtt-ms) rtt=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    *) sizes+=("$1"); shift ;;
    esac
done
[ ${#sizes[@]} -gt 0 ] || sizes=(200 500)

if [ -z "${VELM_GUI_BENCH_UNDER_XVFB:-}" ]; then
    cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build build/release --target VelmUpdate velm_make_catalogue >&2
    export VELM_GUI_BENCH_UNDER_XVFB=1
    exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "${sizes[@]}" --rtt-ms "$rtt" --runs "$runs"
fi

# shellcheck source=../scripts/lib/ports.sh
. scripts/lib/ports.sh
program="$root/build/release/app/VelmUpdate"
make_catalogue="$root/build/release/upgrade/velm_make_catalogue"
work=$(mktemp -d /tmp/velm-gui-bench.XXXXXX)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

now() { date +%s.%N; }

# The archiver's stand-in and the registry naming its folder.
mkdir -p "$work/programas/WinRAR" "$work/dados"
printf '#!/bin/sh\n' >"$work/programas/WinRAR/WinRAR.exe"
chmod +x "$work/programas/WinRAR/WinRAR.exe"
cat >"$work/registry.reg" <<REG
REGEDIT4

[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion]
"ProgramFilesDir"="$work/programas"
REG
export VELMUPDATE_REGISTRY="$work/registry.reg"

# The catalogue: the FTP password of ftpuser (velmftp, scrambled) and one long script.
{
    echo "CREATE TABLE ESPERA (ID INTEGER, NOME VARCHAR(40));"
    for i in $(seq 1 4000); do echo "INSERT INTO ESPERA (ID, NOME) VALUES ($i, 'linha $i');"; done
    echo "COMMIT;"
} >"$work/espera.sql"
"$make_catalogue" --catalogue "$work/catalogo.db" --aliases "$work/aliases.ini" \
    --product "$work/dados/BLANK.GDB" --ftp-password 1yhopiws \
    --script "QUORIX_SENHA:1:$work/espera.sql:S" >&2
export VELMUPDATE_ALIASES="$work/aliases.ini"

make_installation() {  # folder, port
    rm -rf "$1"
    mkdir -p "$1"
    for exe in App_Vezra_Config.exe App_Vezra_Lista.exe App_Vezra_Solicita.exe Sys_Brevant.exe; do
        printf 'MZ bench\n' >"$1/$exe"
    done
    printf '[SISTEMA]     %s\r\n' "$work/dados/BASE.GDB" >"$1/Sys_Info.INI"
    printf '127.0.0.1\r\n%s\r\n\r\n' "$2" >"$1/atualiza.cfg"
}

wait_window() {  # title regex -> window id
    local id i
    for ((i = 0; i < 300; i++)); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    echo "window '$1' did not appear" >&2
    return 1
}

click() {  # window id, x, y
    xdotool mousemove --window "$1" "$2" "$3" click 1
    sleep 0.3
}

# One run of the program in its folder: seconds from Enter to the upgrade
# window, in $took (no subshell: the run's processes stay this shell's children).
program_run() {  # folder
    local pid gate window start
    cp "$work/dados/BLANK.GDB" "$work/dados/BASE.GDB"
    # A session of its own: the program's end must not reach this script.
    (cd "$1" && exec setsid "$program") >"$work/program.log" 2>&1 &
    pid=$!
    gate=$(wait_window '^Atualização$')
    sleep 0.5
    click "$gate" 46 568  # CheckBox1
    click "$gate" 46 591  # CheckBox2
    click "$gate" 698 586 # "&Continuar  "
    window=$(wait_window '^Atualização de Sistema$')
    sleep 1 # the environment checks and the ready prompt
    start=$(now)
    xdotool key --window "$window" Return
    while ! xdotool search --onlyvisible --name '^Aviso$' >/dev/null 2>&1; do
        if ! kill -0 "$pid" 2>/dev/null; then
            echo "the program ended before the upgrade window (see $work/program.log)" >&2
            return 1
        fi
        sleep 0.02
    done
    took=$(echo "$(now) - $start" | bc)
    kill -KILL "$pid" 2>/dev/null || true  # the upgrade window ignores a polite end
    wait "$pid" 2>/dev/null || true
}

lftp_run() {  # folder, port; seconds in $took
    local start
    start=$(now)
    lftp -u ftpuser,velmftp -p "$2" -e "set cmd:fail-exit yes; mirror --no-perms quorixsenha $1; quit" \
        127.0.0.1 >/dev/null
    took=$(echo "$(now) - $start" | bc)
}

median() { printf '%s\n' "$@" | sort -g | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }

echo "real program (Release, Xvfb) from Enter to the upgrade window, against lftp mirror;"
echo "10 KiB files, pyftpdlib behind the proxy at $rtt ms round trip; $runs runs, medians (s)"
for n in "${sizes[@]}"; do
    served="$work/servidor-$n"
    mkdir -p "$served/quorixsenha"
    for ((i = 0; i < n; i++)); do head -c 10240 /dev/urandom >"$served/quorixsenha/arquivo$i.bin"; done
    ftp_port=$(free_port)
    /usr/bin/python3 -m pyftpdlib -i 127.0.0.1 -p "$ftp_port" -u ftpuser -P velmftp -d "$served" \
        >"$work/ftp.log" 2>&1 &
    pids+=($!)
    wait_port "$ftp_port" 20
    /usr/bin/python3 bench/delay_proxy.py --target-port "$ftp_port" --rtt-ms "$rtt" >"$work/proxy.out" &
    pids+=($!)
    for _ in $(seq 100); do grep -q listening "$work/proxy.out" && break; sleep 0.1; done
    proxy_port=$(awk '{print $3}' "$work/proxy.out")
    ours_new=() ours_same=() lftp_new=() lftp_same=()
    for ((r = 0; r < runs; r++)); do
        for side in 0 1; do
            if [ $(((side + r) % 2)) -eq 0 ]; then
                make_installation "$work/instalacao" "$proxy_port"
                program_run "$work/instalacao" && ours_new+=("$took")
                program_run "$work/instalacao" && ours_same+=("$took")
            else
                rm -rf "$work/espelho"
                lftp_run "$work/espelho" "$proxy_port" && lftp_new+=("$took")
                lftp_run "$work/espelho" "$proxy_port" && lftp_same+=("$took")
            fi
            sleep 5 # let the TIME_WAIT sockets of the run drain a little
        done
        echo "  $n files, round $((r + 1)): program new ${ours_new[-1]} same ${ours_same[-1]}, lftp new ${lftp_new[-1]} same ${lftp_same[-1]}"
    done
    on=$(median "${ours_new[@]}") os=$(median "${ours_same[@]}")
    ln=$(median "${lftp_new[@]}") ls=$(median "${lftp_same[@]}")
    printf '%5d files  every file new:  program %6.2f  lftp %6.2f  ratio %.2f\n' "$n" "$on" "$ln" "$(echo "$on / $ln" | bc -l)"
    printf '%5d files  nothing changed: program %6.2f  lftp %6.2f  ratio %.2f\n' "$n" "$os" "$ls" "$(echo "$os / $ls" | bc -l)"
    kill "${pids[@]}" 2>/dev/null || true
    pids=()
done
