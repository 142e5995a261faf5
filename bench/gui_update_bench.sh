#!/usr/bin/env bash
# The real program (Release) under Xvfb, played by keys and clicks as
# scripts/demo.sh plays it, from Enter at the ready prompt to the upgrade
# window ("Aviso") appearing, over N files of 10 KiB served by pyftpdlib,
# directly on loopback (--rtt-ms 0) or behind bench/delay_proxy.py; `lftp -e
# mirror` over the same link beside it, the sides alternating. Every file new
# (an empty folder), then nothing changed. Prints medians and the time per file.
#
#   bash bench/gui_update_bench.sh [files...] [--rtt-ms MS] [--runs N]
#   (default: 200 500, 20 ms, 3 runs)
#
# VELM_GUI_BENCH_PROGRAM, when set, is the program measured instead of this
# tree's Release build (an older build, to compare). VELM_GUI_BENCH_PERF=PREFIX
# records each program run from Enter to the upgrade window with `perf record
# -g` into PREFIX-N.data (N the run's number), to profile the real run.
#
# Each side's run has a server (and proxy) of its own on a loopback address
# of its own (127.0.K.1): a run of 20,000 files leaves 20,000 sockets in
# TIME_WAIT on its server's address, and the next run must not wait on them.
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
    # A display number of its own: other sessions on the machine start at 99.
    exec xvfb-run -a -n $((200 + $$ % 500)) -s "-screen 0 1280x1024x24" bash "$0" "${sizes[@]}" --rtt-ms "$rtt" --runs "$runs"
fi

# shellcheck source=../scripts/lib/ports.sh
. scripts/lib/ports.sh
# shellcheck source=../scripts/lib/installation.sh
. scripts/lib/installation.sh
program=${VELM_GUI_BENCH_PROGRAM:-$root/build/release/app/VelmUpdate}
work=$(mktemp -d /tmp/velm-gui-bench.XXXXXX)
pids=()
stop_servers() {
    local p
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
    pids=()
}
trap 'stop_servers; rm -rf "$work"' EXIT

now() { date +%s.%N; }

make_programs_folder "$work"
{
    echo "CREATE TABLE ESPERA (ID INTEGER, NOME VARCHAR(40));"
    for i in $(seq 1 4000); do echo "INSERT INTO ESPERA (ID, NOME) VALUES ($i, 'linha $i');"; done
    echo "COMMIT;"
} >"$work/espera.sql"
make_catalogue "$root/build/release/upgrade/velm_make_catalogue" "$work" "$work/dados/BLANK.GDB" \
    --script "QUORIX_SENHA:1:$work/espera.sql:S"

# A server for one side's run on an address of its own: sets $host and $port.
address=$((RANDOM % 250))
start_server() {  # served folder
    local ftp_port tries
    for ((tries = 0; tries < 5; tries++)); do
        address=$((address + 1))
        host="127.0.$((address % 250 + 1)).1"
        ftp_port=$(/usr/bin/python3 -c 'import socket, sys
s = socket.socket(); s.bind((sys.argv[1], 0)); print(s.getsockname()[1]); s.close()' "$host")
        /usr/bin/python3 -m pyftpdlib -i "$host" -p "$ftp_port" -u ftpuser -P velmftp -d "$1" \
            >"$work/ftp.log" 2>&1 &
        pids+=($!)
        for _ in $(seq 200); do
            (exec 3<>"/dev/tcp/$host/$ftp_port") 2>/dev/null && break 2
            kill -0 "${pids[-1]}" 2>/dev/null || break
            sleep 0.1
        done
    done
    port=$ftp_port
    [ "$rtt" = 0 ] && return 0
    /usr/bin/python3 bench/delay_proxy.py --target-host "$host" --target-port "$ftp_port" \
        --listen-host "$host" --rtt-ms "$rtt" >"$work/proxy.out" &
    pids+=($!)
    for _ in $(seq 100); do grep -q listening "$work/proxy.out" && break; sleep 0.1; done
    port=$(awk '{print $3}' "$work/proxy.out")
}

# One run of the program in its folder: seconds from Enter to the upgrade
# window, in $took (no subshell: the run's processes stay this shell's children).
run_number=0
program_run() {  # folder
    local pid gate window start perf_pid=
    run_number=$((run_number + 1))
    cp "$work/dados/BLANK.GDB" "$work/dados/BASE.GDB"
    # A session of its own: the program's end must not reach this script.
    (cd "$1" && exec setsid "$program") >"$work/program.log" 2>&1 &
    pid=$!
    gate=$(wait_window '^Atualização$' 30) || { kill -KILL "$pid"; return 1; }
    confirm_gate "$gate"
    window=$(wait_window '^Atualização de Sistema$' 30) || { kill -KILL "$pid"; return 1; }
    sleep 0.5 # the environment checks and the ready prompt
    if [ -n "${VELM_GUI_BENCH_PERF:-}" ]; then
        perf record -F 999 -g -p "$pid" -o "$VELM_GUI_BENCH_PERF-$run_number.data" 2>/dev/null &
        perf_pid=$!
        sleep 1
    fi
    start=$(now)
    xdotool key --window "$window" Return
    while ! xdotool search --onlyvisible --name '^Aviso$' >/dev/null 2>&1; do
        if [ "$(echo "$(now) - $start > 1800" | bc)" = 1 ]; then
            echo "no upgrade window after half an hour (a box of the run?)" >&2
            kill -KILL "$pid"
            return 1
        fi
        if ! kill -0 "$pid" 2>/dev/null; then
            echo "the program ended before the upgrade window (see $work/program.log)" >&2
            return 1
        fi
        sleep 0.02
    done
    took=$(echo "$(now) - $start" | bc)
    if [ -n "$perf_pid" ]; then
        kill -INT "$perf_pid"
        wait "$perf_pid" || true
    fi
    kill -KILL "$pid" 2>/dev/null || true  # the upgrade window ignores a polite end
    wait "$pid" 2>/dev/null || true
}

lftp_run() {  # folder; seconds in $took
    local start
    start=$(now)
    lftp -u ftpuser,velmftp -p "$port" -e "set cmd:fail-exit yes; mirror --no-perms quorixsenha $1; quit" \
        "$host" >/dev/null
    took=$(echo "$(now) - $start" | bc)
}

row() {  # files, case, program's seconds, lftp's seconds
    printf '%6d files  %-16s program %7.2f s (%6.2f ms/file)  lftp %7.2f s (%6.2f ms/file)  ratio %.2f\n' \
        "$1" "$2:" "$3" "$(echo "$3 * 1000 / $1" | bc -l)" "$4" "$(echo "$4 * 1000 / $1" | bc -l)" \
        "$(echo "$3 / $4" | bc -l)"
}

median() { printf '%s\n' "$@" | sort -g | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }

if [ "$rtt" = 0 ]; then link="pyftpdlib directly on loopback"; else link="pyftpdlib behind the proxy at $rtt ms round trip"; fi
echo "real program (Release, Xvfb) from Enter to the upgrade window, against lftp mirror;"
echo "10 KiB files, $link; $runs runs, medians (s)"
for n in "${sizes[@]}"; do
    served="$work/servidor-$n"
    mkdir -p "$served/quorixsenha"
    /usr/bin/python3 -c 'import os, sys
for i in range(int(sys.argv[2])):
    with open("%s/arquivo%d.bin" % (sys.argv[1], i), "wb") as f: f.write(os.urandom(10240))' \
        "$served/quorixsenha" "$n"
    ours_new=() ours_same=() lftp_new=() lftp_same=()
    for ((r = 0; r < runs; r++)); do
        for side in 0 1; do
            start_server "$served"
            if [ $(((side + r) % 2)) -eq 0 ]; then
                make_installation "$work/instalacao" "$port" "$work/dados/BASE.GDB" "$host"
                program_run "$work/instalacao" && ours_new+=("$took")
                program_run "$work/instalacao" && ours_same+=("$took")
            else
                rm -rf "$work/espelho"
                lftp_run "$work/espelho" && lftp_new+=("$took")
                lftp_run "$work/espelho" && lftp_same+=("$took")
            fi
            stop_servers
        done
        echo "  $n files, round $((r + 1)): program new ${ours_new[-1]} same ${ours_same[-1]}, lftp new ${lftp_new[-1]} same ${lftp_same[-1]}"
    done
    row "$n" "every file new" "$(median "${ours_new[@]}")" "$(median "${lftp_new[@]}")"
    row "$n" "nothing changed" "$(median "${ours_same[@]}")" "$(median "${lftp_same[@]}")"
    rm -rf "$served"
done
