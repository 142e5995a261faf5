#!/usr/bin/env bash
# Plays the operator of the real program under Xvfb, with the maker's public
# key in the shop's folder, against the scripted update server serving a
# release signed with the real key tool (scripts/sign-release.sh) in which
# one file was replaced after signing: the box must say so and the folder
# must come out byte for byte as it went in, its databases not upgraded.
# Then the genuine release: all five files and the two list files land.
# Screenshots of the box and of both closing texts land in
# build/tampered-download/screenshots; the folder's checksums before and
# after are compared and printed.
#
#   bash scripts/tampered-download.sh [BUILD_DIR]   (default build/native)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build="$root/${1:-build/native}"
base="$root/build/tampered-download"

if [ -z "${VELM_UNDER_XVFB:-}" ]; then
    cmake --build "$build" --target VelmUpdate velm_make_catalogue scripted_update_server \
        -j 2 >&2
    export VELM_UNDER_XVFB=1
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
program="$build/app/VelmUpdate"
server_program="$build/tests/sync/scripted_update_server"
shots="$base/screenshots"
rm -rf "$base"
mkdir -p "$base/programas/WinRAR" "$base/dados" "$shots" "$base/servidor"

printf '#!/bin/sh\n' >"$base/programas/WinRAR/WinRAR.exe"
chmod +x "$base/programas/WinRAR/WinRAR.exe"
cat >"$base/registry.reg" <<REG
REGEDIT4

[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion]
"ProgramFilesDir"="$base/programas"
REG
export VELMUPDATE_REGISTRY="$base/registry.reg"
"$build/upgrade/velm_make_catalogue" --catalogue "$base/catalogo.db" \
    --aliases "$base/aliases.ini" --product "$base/dados/BASE.GDB" --ftp-password 1yhopiws >&2
export VELMUPDATE_ALIASES="$base/aliases.ini"

# The release, signed by the maker; then one file replaced after signing.
head -c 300000 /dev/urandom >"$base/servidor/App_Vezra_Lista.exe"
printf 'biblioteca nova\r\n' >"$base/servidor/Vezra_Base.dll"
head -c 200000 /dev/urandom >"$base/servidor/App_Vezra_Solicita.exe"
printf 'leia-me novo\r\n' >"$base/servidor/LEIAME.TXT"
printf 'MZ configuracao nova\n' >"$base/servidor/App_Vezra_Config.exe"
minisign -G -W -p "$base/maker.pub" -s "$base/maker.key" >/dev/null
scripts/sign-release.sh "$base/servidor" "$base/maker.key" >&2
cp "$base/servidor/App_Vezra_Lista.exe" "$base/genuine.exe"
head -c 300000 /dev/urandom >"$base/servidor/App_Vezra_Lista.exe"
listing=""
for name in App_Vezra_Lista.exe Vezra_Base.dll App_Vezra_Solicita.exe LEIAME.TXT \
    App_Vezra_Config.exe SHA256SUMS SHA256SUMS.minisig; do
    size=$(stat -c %s "$base/servidor/$name")
    listing+=$(printf -- '-rw-r--r--   1 owner group %8s Dec  9 17:45 %s\\r\\n' "$size" "$name")
done
printf '%b' "$listing" >"$base/listagem.txt"

folder="$base/instalacao"
mkdir -p "$folder"
for exe in App_Vezra_Config.exe App_Vezra_Lista.exe App_Vezra_Solicita.exe Sys_Brevant.exe; do
    printf 'MZ versao anterior de %s\n' "$exe" >"$folder/$exe"
    touch -d '2026-11-02 08:00' "$folder/$exe"
done
printf '[SISTEMA]     %s\r\n' "$base/dados/BASE.GDB" >"$folder/Sys_Info.INI"
cp "$base/maker.pub" "$folder/atualiza.pub"

wait_window() {  # title regex -> window id
    local id i
    for ((i = 0; i < 300; i++)); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)
        if [ -n "$id" ]; then
            sleep 0.5
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    echo "window '$1' did not appear" >&2
    return 1
}
shot() {
    import -window root "$shots/$1"
    mogrify -trim +repage "$shots/$1"
}
click() {
    xdotool mousemove --window "$1" "$2" "$3" click 1
    sleep 0.3
}
# Every file of the folder but the run's own (its log, its settings), with
# its bytes' checksum and its time.
state() {
    (cd "$folder" && find . -type f ! -name VelmUpdate.log ! -name VelmUpdate.lock ! -name atualiza.cfg -printf '%p %TY-%Tm-%Td %TH:%TM ' \
        -exec sha256sum {} \; | sort)
}

server_pid=
trap '[ -z "$server_pid" ] || kill "$server_pid" 2>/dev/null || true' EXIT

run() {  # name, [--box]: the run shows one box
    coproc SERVER { exec "$server_program" "$base/servidor" "$base/listagem.txt"; }
    server_pid=$SERVER_PID
    local port
    read -r port <&"${SERVER[0]}"
    printf '127.0.0.1\r\n%s\r\n\r\n' "$port" >"$folder/atualiza.cfg"
    cd "$folder"
    "$program" &
    local pid=$! gate window box
    gate=$(wait_window '^Atualização$')
    click "$gate" 46 568
    click "$gate" 46 591
    click "$gate" 698 586
    window=$(wait_window '^Atualização de Sistema$')
    xdotool key --window "$window" Return
    if [ $# -gt 1 ]; then
        box=$(wait_window '^VelmUpdate$')
        shot "$1-box.png"
        xdotool windowactivate --sync "$box" 2>/dev/null || true
        xdotool key Return
        while xdotool search --onlyvisible --name '^VelmUpdate$' >/dev/null 2>&1; do sleep 0.1; done
    else
        # No box: wait for the closing text in the log.
        for ((i = 0; i < 300; i++)); do
            grep -q 'run end' VelmUpdate.log 2>/dev/null && break
            sleep 0.1
        done
    fi
    sleep 1
    shot "$1-end.png"
    click "$window" 849 581  # "&Sair"
    wait "$pid" || true
    kill "$server_pid"
    wait "$server_pid" 2>/dev/null || true
    server_pid=
    cd "$root"
}

state >"$base/before.txt"
run adulterado --box
state >"$base/after.txt"
if diff "$base/before.txt" "$base/after.txt" >&2; then
    echo "tampered run: the folder is byte for byte as before ($(wc -l <"$base/before.txt") files)" >&2
else
    echo "tampered run: THE FOLDER CHANGED" >&2
    exit 1
fi
mv "$folder/VelmUpdate.log" "$base/tampered-run.log"
grep -aE 'signed-list|checksum|commit|upgrade|run end' "$base/tampered-run.log" >&2 || true
cp "$base/genuine.exe" "$base/servidor/App_Vezra_Lista.exe"
run bom
for name in App_Vezra_Lista.exe Vezra_Base.dll App_Vezra_Solicita.exe LEIAME.TXT \
    App_Vezra_Config.exe SHA256SUMS SHA256SUMS.minisig; do
    cmp "$base/servidor/$name" "$folder/$name" >&2
done
echo "genuine run: all five files and the signed list as on the server" >&2
grep -aE 'signed-list|checksum|commit|upgrade|run end' "$folder/VelmUpdate.log" >&2 || true
echo "Screenshots in $shots" >&2
