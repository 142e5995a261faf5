#!/usr/bin/env bash
# Plays the operator of the real program (Release) under Xvfb against
# pyftpdlib behind bench/delay_proxy.py, which refuses the data connection
# of the second file as a firewall that rejects some passive ports would.
# The server has the RETR sent with that PASV and waits for the data
# connection; the program gives up on it, connects again and fetches the
# other files. Screenshots of the box and of the closing text land in
# build/refused-data-connection/screenshots.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
base="$root/build/refused-data-connection"

if [ -z "${VELM_UNDER_XVFB:-}" ]; then
    cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build build/release --target VelmUpdate velm_make_catalogue -j "$(nproc)" >&2
    export VELM_UNDER_XVFB=1
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
# shellcheck source=lib/ports.sh
. scripts/lib/ports.sh
program="$root/build/release/app/VelmUpdate"
shots="$base/screenshots"
rm -rf "$base"
mkdir -p "$base/programas/WinRAR" "$base/dados" "$base/ftp/quorixsenha" "$shots"

printf '#!/bin/sh\n' >"$base/programas/WinRAR/WinRAR.exe"
chmod +x "$base/programas/WinRAR/WinRAR.exe"
cat >"$base/registry.reg" <<REG
REGEDIT4

[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion]
"ProgramFilesDir"="$base/programas"
REG
export VELMUPDATE_REGISTRY="$base/registry.reg"
"$root/build/release/upgrade/velm_make_catalogue" --catalogue "$base/catalogo.db" \
    --aliases "$base/aliases.ini" --product "$base/dados/BASE.GDB" --ftp-password 1yhopiws >&2
export VELMUPDATE_ALIASES="$base/aliases.ini"

for name in LEIAME.TXT Manual_Quorix.pdf Tabela_Precos.csv Notas_Versao.txt; do
    head -c 20000 /dev/urandom >"$base/ftp/quorixsenha/$name"
    touch -d '2026-12-09 17:45' "$base/ftp/quorixsenha/$name"
done

pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done' EXIT
server_port=$(free_port)
/usr/bin/python3 -m pyftpdlib -i 127.0.0.1 -p "$server_port" -u ftpuser -P velmftp -d "$base/ftp" \
    >"$base/pyftpdlib.log" 2>&1 &
pids+=($!)
wait_port "$server_port" 20
# Passive replies: the listing's, then one per file: the second file's is refused.
coproc PROXY { exec /usr/bin/python3 bench/delay_proxy.py --target-port "$server_port" --rtt-ms 0 \
    --refuse-passive 3; }
pids+=("$PROXY_PID")
read -r _ _ proxy_port <&"${PROXY[0]}"

mkdir -p "$base/instalacao"
cd "$base/instalacao"
for exe in App_Vezra_Config.exe App_Vezra_Lista.exe App_Vezra_Solicita.exe Sys_Brevant.exe; do
    printf 'MZ demo\n' >"$exe"
done
printf '[SISTEMA]     %s\r\n' "$base/dados/BASE.GDB" >Sys_Info.INI
printf '127.0.0.1\r\n%s\r\n\r\n' "$proxy_port" >atualiza.cfg

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

"$program" &
pid=$!
gate=$(wait_window '^Atualização$')
click "$gate" 46 568
click "$gate" 46 591
click "$gate" 698 586
window=$(wait_window '^Atualização de Sistema$')
xdotool key --window "$window" Return
box=$(wait_window '^VelmUpdate$')
shot refused-data-connection-box.png
xdotool windowactivate --sync "$box" 2>/dev/null || true
xdotool key Return
while xdotool search --onlyvisible --name '^VelmUpdate$' >/dev/null 2>&1; do sleep 0.1; done
sleep 2
shot refused-data-connection-end.png
echo "fetched: $(ls -- *.TXT *.pdf *.csv *.txt 2>/dev/null | tr '\n' ' ')" >&2
click "$window" 849 581  # "&Sair"
wait "$pid" || true
grep -aE "download|reconnect|run end" VelmUpdate.log >&2 || true
echo "Screenshots in $shots"
