#!/usr/bin/env bash
# Plays the operator of the real program under Xvfb against the scripted
# update server for a run whose third of five changed downloads breaks off
# (three files replace older ones, two are new): the folder must come out
# byte for byte as it went in. Then a second run over a good link must bring
# all five. Screenshots of the box and of both closing texts land in
# build/failed-download/screenshots; the folder's checksums before and after
# are compared and printed.
#
#   bash scripts/failed-download.sh [BUILD_DIR]   (default build/native)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build="$root/${1:-build/native}"
base="$root/build/failed-download"

# shellcheck source=lib/installation.sh
. scripts/lib/installation.sh
if [ -z "${VELM_UNDER_XVFB:-}" ]; then
    cmake --build "$build" --target VelmUpdate velm_make_catalogue scripted_update_server \
        -j 2 >&2
    rerun_under_xvfb "$0" "$@"
fi
program="$build/app/VelmUpdate"
server_program="$build/tests/sync/scripted_update_server"
shots="$base/screenshots"
rm -rf "$base"
mkdir -p "$shots" "$base/servidor"
make_programs_folder "$base"
make_catalogue "$build/upgrade/velm_make_catalogue" "$base" "$base/dados/BASE.GDB"

# The release: five files newer than the folder's; the third breaks off.
head -c 300000 /dev/urandom >"$base/servidor/App_Vezra_Lista.exe"
printf 'biblioteca nova\r\n' >"$base/servidor/Vezra_Base.dll"
head -c 200000 /dev/urandom >"$base/servidor/App_Vezra_Solicita.exe"
printf 'leia-me novo\r\n' >"$base/servidor/LEIAME.TXT"
printf 'MZ configuracao nova\n' >"$base/servidor/App_Vezra_Config.exe"
listing=""
for name in App_Vezra_Lista.exe Vezra_Base.dll App_Vezra_Solicita.exe LEIAME.TXT \
    App_Vezra_Config.exe; do
    size=$(stat -c %s "$base/servidor/$name")
    listing+=$(printf -- '-rw-r--r--   1 owner group %8s Dec  9 17:45 %s\\r\\n' "$size" "$name")
done
printf '%b' "$listing" >"$base/listagem.txt"

folder="$base/instalacao"
# atualiza.cfg is written again for each run's server.
make_installation "$folder" "" "$base/dados/BASE.GDB" "" 'MZ versao anterior de %s\n'

# Every file of the folder but the run's own (its log, its settings, the
# empty file it locks the folder with), with its bytes' checksum and its time.
state() {
    (cd "$folder" && find . -type f ! -name VelmUpdate.log ! -name atualiza.cfg \
        ! -name VelmUpdate.lock -printf '%p %TY-%Tm-%Td %TH:%TM ' \
        -exec sha256sum {} \; | sort)
}

server_pid=
trap '[ -z "$server_pid" ] || kill "$server_pid" 2>/dev/null || true' EXIT

run() {  # name, [--drop NAME]
    coproc SERVER { exec "$server_program" "$base/servidor" "$base/listagem.txt" "${@:2}"; }
    server_pid=$SERVER_PID
    local port
    read -r port <&"${SERVER[0]}"
    point_at_server "$folder" "$port"
    cd "$folder"
    # Windows and the box waited for up to 30 s.
    start_update "$program" 30
    if [ $# -gt 1 ]; then
        answer_box "$shots/$1-box.png" 30
    else
        # No box: wait for the closing text in the log.
        for ((i = 0; i < 300; i++)); do
            grep -q 'run end' VelmUpdate.log 2>/dev/null && break
            sleep 0.1
        done
    fi
    sleep 1
    shot_screen "$shots/$1-end.png"
    leave_update
    kill "$server_pid"
    wait "$server_pid" 2>/dev/null || true
    server_pid=
    cd "$root"
}

state >"$base/before.txt"
run queda --drop App_Vezra_Solicita.exe
state >"$base/after.txt"
if diff "$base/before.txt" "$base/after.txt" >&2; then
    echo "failed run: the folder is byte for byte as before ($(wc -l <"$base/before.txt") files)" >&2
else
    echo "failed run: THE FOLDER CHANGED" >&2
    exit 1
fi
mv "$folder/VelmUpdate.log" "$base/failed-run.log"
grep -aE 'download|commit|run end' "$base/failed-run.log" >&2 || true
run bom
for name in App_Vezra_Lista.exe Vezra_Base.dll App_Vezra_Solicita.exe LEIAME.TXT \
    App_Vezra_Config.exe; do
    cmp "$base/servidor/$name" "$folder/$name" >&2
done
echo "good run: all five files as on the server" >&2
echo "leftovers: $(cd "$folder" && ls | grep -aE '^~|journal' || echo none)" >&2
grep -aE 'download|commit|recovery|run end' "$folder/VelmUpdate.log" >&2 || true
echo "Screenshots in $shots" >&2
