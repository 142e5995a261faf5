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

# shellcheck source=lib/installation.sh
. scripts/lib/installation.sh
if [ -z "${VELM_UNDER_XVFB:-}" ]; then
    configure_and_build build/release -DCMAKE_BUILD_TYPE=Release VelmUpdate velm_make_catalogue
    rerun_under_xvfb "$0" "$@"
fi
# shellcheck source=lib/ports.sh
. scripts/lib/ports.sh
program="$root/build/release/app/VelmUpdate"
shots="$base/screenshots"
rm -rf "$base"
mkdir -p "$base/ftp/quorixsenha" "$shots"
make_programs_folder "$base"
make_catalogue "$root/build/release/upgrade/velm_make_catalogue" "$base" "$base/dados/BASE.GDB"

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

make_installation "$base/instalacao" "$proxy_port" "$base/dados/BASE.GDB"
cd "$base/instalacao"
# Windows and the box waited for up to 30 s.
start_update "$program" 30
answer_box "$shots/refused-data-connection-box.png" 30
sleep 2
shot_screen "$shots/refused-data-connection-end.png"
echo "fetched: $(ls -- *.TXT *.pdf *.csv *.txt 2>/dev/null | tr '\n' ' ')" >&2
leave_update
grep -aE "download|reconnect|run end" VelmUpdate.log >&2 || true
echo "Screenshots in $shots"
