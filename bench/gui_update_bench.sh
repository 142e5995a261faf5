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
#   bash bench/gui_update_bench.sh --upgrade-scripts N [--statements S] [--runs N]
#
# The second form times the upgrade window instead: the catalogue holds N
# generated scripts of S statements (default 25: a table, 20 inserts, a
# trigger under SET TERM, a COMMIT; bench/upgrade_run_bench writes them),
# the server one file; the time runs from the upgrade window ("Aviso")
# appearing to its closing, against `isql-fb -i` applying the same scripts
# in one session (INPUT of each, then COMMIT) on a copy of the same database.
#
# VELM_GUI_BENCH_PROGRAM, when set, is the program measured instead of this
# tree's Release build; VELM_GUI_BENCH_BEFORE=PATH adds an older build as a
# third side in every round (the sides take turns at going first), so that
# before, after and lftp are measured in one run. VELM_GUI_BENCH_PERF=PREFIX
# records each program run from Enter to the upgrade window with `perf record
# -g` into PREFIX-N.data (N the run's number), to profile the real run;
# VELM_GUI_BENCH_OFFCPU=PREFIX records the same stretch on the whole machine
# (every thread's switches off and onto the CPU, with the stack it left
# from, and CPU samples) into PREFIX-N.data, for bench/offcpu_report.py:
# where the program runs and where it waits. VELM_GUI_BENCH_LOGS=FOLDER keeps each
# run's VelmUpdate.log there as N.log.
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
upgrade_scripts=0
statements=25
while [ $# -gt 0 ]; do
    case "$1" in
    --rtt-ms) rtt=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --upgrade-scripts) upgrade_scripts=$2; shift 2 ;;
    --statements) statements=$2; shift 2 ;;
    *) sizes+=("$1"); shift ;;
    esac
done
[ ${#sizes[@]} -gt 0 ] || sizes=(200 500)

if [ -z "${VELM_GUI_BENCH_UNDER_XVFB:-}" ]; then
    cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build build/release --target VelmUpdate velm_make_catalogue upgrade_run_bench >&2
    export VELM_GUI_BENCH_UNDER_XVFB=1
    # A display number of its own: other sessions on the machine start at 99.
    exec xvfb-run -a -n $((200 + $$ % 500)) -s "-screen 0 1280x1024x24" bash "$0" "${sizes[@]}" \
        --rtt-ms "$rtt" --runs "$runs" --upgrade-scripts "$upgrade_scripts" --statements "$statements"
fi

# shellcheck source=../scripts/lib/ports.sh
. scripts/lib/ports.sh
# shellcheck source=../scripts/lib/installation.sh
. scripts/lib/installation.sh
after_program=${VELM_GUI_BENCH_PROGRAM:-$root/build/release/app/VelmUpdate}
before_program=${VELM_GUI_BENCH_BEFORE:-}
program=$after_program
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
# Seconds of CPU (user and system) a process has used so far.
cpu_seconds() {  # pid
    awk -v tick="$(getconf CLK_TCK)" '{print ($14 + $15) / tick}' "/proc/$1/stat" 2>/dev/null || echo 0
}

make_programs_folder "$work"
catalogue_scripts=()
if [ "$upgrade_scripts" -gt 0 ]; then
    build/release/bench/upgrade_run_bench --write-scripts "$work/scripts" "$upgrade_scripts" "$statements"
    for file in "$work"/scripts/script*.sql; do
        version=${file##*/script}
        catalogue_scripts+=(--script "QUORIX_SENHA:${version%.sql}:$file:S")
    done
else
    {
        echo "CREATE TABLE ESPERA (ID INTEGER, NOME VARCHAR(40));"
        for i in $(seq 1 4000); do echo "INSERT INTO ESPERA (ID, NOME) VALUES ($i, 'linha $i');"; done
        echo "COMMIT;"
    } >"$work/espera.sql"
    catalogue_scripts=(--script "QUORIX_SENHA:1:$work/espera.sql:S")
fi
make_catalogue "$root/build/release/upgrade/velm_make_catalogue" "$work" "$work/dados/BLANK.GDB" \
    "${catalogue_scripts[@]}"

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
        server_pid=$!
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
# window, in $took (no subshell: the run's processes stay this shell's
# children); with --upgrade-scripts, from that window appearing to its closing.
run_number=0
program_run() {  # folder
    local pid gate window start perf_pid=
    run_number=$((run_number + 1))
    cp "$work/dados/BLANK.GDB" "$work/dados/BASE.GDB"
    # A session of its own: the program's end must not reach this script.
    (cd "$1" && exec setsid "$program") >"$work/program.log" 2>&1 &
    pid=$!
    gate=$(wait_window '^Atualização$' 30) || { kill -KILL "$pid"; tail "$work/program.log" >&2; return 1; }
    confirm_gate "$gate"
    window=$(wait_window '^Atualização de Sistema$' 30) || { kill -KILL "$pid"; return 1; }
    sleep 0.5 # the environment checks and the ready prompt
    if [ -n "${VELM_GUI_BENCH_PERF:-}" ]; then
        perf record -F 999 --call-graph dwarf,16384 -p "$pid" -o "$VELM_GUI_BENCH_PERF-$run_number.data" 2>/dev/null &
        perf_pid=$!
        sleep 1
    elif [ -n "${VELM_GUI_BENCH_OFFCPU:-}" ]; then
        perf record -a -e cpu-clock -F 999 -e sched:sched_switch --call-graph dwarf,16384 \
            -o "$VELM_GUI_BENCH_OFFCPU-$run_number.data" >/dev/null 2>&1 &
        perf_pid=$!
        sleep 1
    fi
    local cpu_program cpu_server_before
    cpu_program=$(cpu_seconds "$pid")
    cpu_server_before=$(cpu_seconds "$server_pid")
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
    if [ "$upgrade_scripts" -gt 0 ]; then
        start=$(now)
        cpu_program=$(cpu_seconds "$pid")
        while xdotool search --onlyvisible --name '^Aviso$' >/dev/null 2>&1; do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.01
        done
        took=$(echo "$(now) - $start" | bc)
        grep -a 'script version=.*result=\(failed\|error\)' "$1/VelmUpdate.log" >&2 && return 1
    fi
    cpu_ours=$(echo "$(cpu_seconds "$pid") - $cpu_program" | bc)
    cpu_server=$(echo "$(cpu_seconds "$server_pid") - $cpu_server_before" | bc)
    if [ -n "$perf_pid" ]; then
        kill -INT "$perf_pid"
        wait "$perf_pid" || true
    fi
    kill -KILL "$pid" 2>/dev/null || true  # the upgrade window ignores a polite end
    wait "$pid" 2>/dev/null || true
    if [ -n "${VELM_GUI_BENCH_LOGS:-}" ]; then
        mkdir -p "$VELM_GUI_BENCH_LOGS"
        cp "$1/VelmUpdate.log" "$VELM_GUI_BENCH_LOGS/$run_number.log"
    fi
}

lftp_run() {  # folder; seconds in $took, CPU seconds in $cpu_ours and $cpu_server
    local start cpu_server_before
    cpu_server_before=$(cpu_seconds "$server_pid")
    start=$(now)
    /usr/bin/time -f '%U %S' -o "$work/lftp.time" \
        lftp -u ftpuser,velmftp -p "$port" -e "set cmd:fail-exit yes; mirror --no-perms quorixsenha $1; quit" \
        "$host" >/dev/null
    took=$(echo "$(now) - $start" | bc)
    cpu_ours=$(awk '{print $1 + $2}' "$work/lftp.time")
    cpu_server=$(echo "$(cpu_seconds "$server_pid") - $cpu_server_before" | bc)
}

row() {  # files, case, program's seconds, lftp's seconds, CPU seconds: program, its server, lftp, its server
    printf '%6d files  %-16s program %7.2f s (%6.2f ms/file)  lftp %7.2f s (%6.2f ms/file)  ratio %.2f' \
        "$1" "$2:" "$3" "$(echo "$3 * 1000 / $1" | bc -l)" "$4" "$(echo "$4 * 1000 / $1" | bc -l)" \
        "$(echo "$3 / $4" | bc -l)"
    printf '  CPU s: program %.2f + server %.2f, lftp %.2f + server %.2f\n' "$5" "$6" "$7" "$8"
}

median() { printf '%s\n' "$@" | sort -g | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }

# isql-fb applying the generated scripts in one session on a fresh copy of
# the product database; seconds in $took.
isql_run() {
    local start
    cp "$work/dados/BLANK.GDB" "$work/dados/ISQL.GDB"
    for file in "$work"/scripts/script*.sql; do printf "INPUT '%s';\nCOMMIT;\n" "$file"; done >"$work/sessao.sql"
    start=$(now)
    isql-fb -q -bail -user ROOT -password 857461 -i "$work/sessao.sql" "$work/dados/ISQL.GDB" \
        >"$work/isql.log" 2>&1 || { tail "$work/isql.log" >&2; return 1; }
    took=$(echo "$(now) - $start" | bc)
}

if [ "$upgrade_scripts" -gt 0 ]; then
    served="$work/servidor-upgrade"
    mkdir -p "$served/quorixsenha"
    echo "um arquivo" >"$served/quorixsenha/leiame.txt"
    start_server "$served"
    make_installation "$work/instalacao" "$port" "$work/dados/BASE.GDB" "$host"
    declare -A took_of=()
    sides=(ours isql)
    [ -n "$before_program" ] && sides+=(before)
    echo "the upgrade window of the real program (Release, Xvfb) from appearing to closing, against"
    echo "isql-fb -i in one session; $upgrade_scripts scripts of $statements statements; $runs runs, medians (s)"
    for ((r = 0; r < runs; r++)); do
        for ((k = 0; k < ${#sides[@]}; k++)); do
            side=${sides[(k + r) % ${#sides[@]}]}
            case $side in
            isql) isql_run && took_of[isql]+=" $took" ;;
            *)
                program=$([ "$side" = before ] && echo "$before_program" || echo "$after_program")
                program_run "$work/instalacao" && took_of[$side]+=" $took"
                ;;
            esac
        done
        echo "  round $((r + 1)): upgrade window ${took_of[ours]##* }, isql-fb ${took_of[isql]##* }" \
            "${before_program:+, before ${took_of[before]##* }}"
    done
    # shellcheck disable=SC2086  # the lists are words
    printf 'upgrade window %.2f s  isql-fb one session %.2f s  ratio %.2f\n' \
        "$(median ${took_of[ours]})" "$(median ${took_of[isql]})" \
        "$(echo "$(median ${took_of[ours]}) / $(median ${took_of[isql]})" | bc -l)"
    if [ -n "$before_program" ]; then
        # shellcheck disable=SC2086
        printf 'before: upgrade window %.2f s  ratio to isql-fb %.2f\n' "$(median ${took_of[before]})" \
            "$(echo "$(median ${took_of[before]}) / $(median ${took_of[isql]})" | bc -l)"
    fi
    exit 0
fi

if [ "$rtt" = 0 ]; then link="pyftpdlib directly on loopback"; else link="pyftpdlib behind the proxy at $rtt ms round trip"; fi
echo "real program (Release, Xvfb) from Enter to the upgrade window, against lftp mirror;"
echo "10 KiB files, $link; $runs runs, medians (s); CPU seconds used in the same stretch"
for n in "${sizes[@]}"; do
    served="$work/servidor-$n"
    mkdir -p "$served/quorixsenha"
    /usr/bin/python3 -c 'import os, sys
for i in range(int(sys.argv[2])):
    with open("%s/arquivo%d.bin" % (sys.argv[1], i), "wb") as f: f.write(os.urandom(10240))' \
        "$served/quorixsenha" "$n"
    declare -A took_of=() cpu_of=() server_of=()
    sides=(ours lftp)
    [ -n "$before_program" ] && sides+=(before)
    for ((r = 0; r < runs; r++)); do
        for ((k = 0; k < ${#sides[@]}; k++)); do
            side=${sides[(k + r) % ${#sides[@]}]}
            start_server "$served"
            if [ "$side" = lftp ]; then
                rm -rf "$work/espelho"
                for case in lftp_new lftp_same; do
                    lftp_run "$work/espelho" || continue
                    took_of[$case]+=" $took" cpu_of[$case]+=" $cpu_ours" server_of[$case]+=" $cpu_server"
                done
            else
                program=$([ "$side" = before ] && echo "$before_program" || echo "$after_program")
                make_installation "$work/instalacao" "$port" "$work/dados/BASE.GDB" "$host"
                for case in ${side}_new ${side}_same; do
                    program_run "$work/instalacao" || continue
                    took_of[$case]+=" $took" cpu_of[$case]+=" $cpu_ours" server_of[$case]+=" $cpu_server"
                done
            fi
            stop_servers
        done
        echo "  $n files, round $((r + 1)): program new ${took_of[ours_new]##* } same ${took_of[ours_same]##* }," \
            "lftp new ${took_of[lftp_new]##* } same ${took_of[lftp_same]##* }" \
            "${before_program:+, before new ${took_of[before_new]##* } same ${took_of[before_same]##* }}"
    done
    for c in new same; do
        label=$([ $c = new ] && echo "every file new" || echo "nothing changed")
        # shellcheck disable=SC2086  # the lists are words
        row "$n" "$label" \
            "$(median ${took_of[ours_$c]})" "$(median ${took_of[lftp_$c]})" \
            "$(median ${cpu_of[ours_$c]})" "$(median ${server_of[ours_$c]})" \
            "$(median ${cpu_of[lftp_$c]})" "$(median ${server_of[lftp_$c]})"
        [ -n "$before_program" ] || continue
        # shellcheck disable=SC2086
        before=$(median ${took_of[before_$c]})
        printf '%6d files  %-16s before  %7.2f s (%6.2f ms/file)  ratio to lftp %.2f  after/before %.2f  CPU s: before %.2f\n' \
            "$n" "$label:" "$before" "$(echo "$before * 1000 / $n" | bc -l)" \
            "$(echo "$before / $(median ${took_of[lftp_$c]})" | bc -l)" \
            "$(echo "$(median ${took_of[ours_$c]}) / $before" | bc -l)" "$(median ${cpu_of[before_$c]})"
    done
    rm -rf "$served"
done
