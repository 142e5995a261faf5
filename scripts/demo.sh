#!/usr/bin/env bash
# The README's demo command: installs what is missing, builds the program,
# lays out a demo installation folder and runs the updater from it.
#
# With a display the program runs as usual. Without one it runs under Xvfb and
# an operator is played with xdotool: the screenshots of every window shown
# are saved in build/demo/screenshots (the last step starts a second copy in
# one folder and kills a first one).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
demo="$root/build/demo"

if [ -z "${VELM_DEMO_UNDER_XVFB:-}" ]; then
    scripts/setup.sh >&2
    cmake -S . -B build/native -G Ninja -DVELM_BENCH=OFF >/dev/null
    cmake --build build/native --target VelmUpdate velm_make_catalogue -j "$(nproc)" >&2
fi
program="$root/build/native/app/VelmUpdate"
make_catalogue="$root/build/native/upgrade/velm_make_catalogue"

# The update server's product folder: a newer list program, a note, an
# unchanged program and the archive of the main store program.
make_server() {
    local files="$demo/servidor/quorixsenha" staging="$demo/servidor-rar"
    rm -rf "$demo/servidor" "$staging"
    mkdir -p "$files" "$staging"
    printf 'MZ vers\xe3o 2.4\n' >"$files/App_Vezra_Lista.exe"
    printf 'Novidades da vers\xe3o 2.4\r\n' >"$files/LEIAME.TXT"
    head -c 6291456 /dev/urandom >"$files/Manual_Quorix.pdf"
    printf 'MZ loja 2.4\n' >"$staging/Sys_Brevant.exe"
    printf 'MZ configura\xe7\xe3o 2.4\n' >"$staging/App_Vezra_Config.exe"
    tar -cf "$files/Sys_Brevant.rar" -C "$staging" Sys_Brevant.exe App_Vezra_Config.exe
    rm -rf "$staging"
    touch -d '2026-12-09 17:45' "$files"/*
    printf 'MZ demo\n' >"$files/App_Vezra_Solicita.exe"  # as installed: left alone
    touch -d '2026-11-02 08:00' "$files/App_Vezra_Solicita.exe"
}

# shellcheck source=lib/ports.sh
. scripts/lib/ports.sh
# shellcheck source=lib/installation.sh
. scripts/lib/installation.sh

mkdir -p "$demo/screenshots"
make_programs_folder "$demo"

# The update server (user ftpuser, password velmftp) and the script catalogue
# with two released scripts and the product database.
ftp_port=${ftp_port:-$(free_port)}
export ftp_port
make_server
rm -f "$demo/dados/BASE.GDB"
make_catalogue "$make_catalogue" "$demo" "$demo/dados/BASE.GDB" --demo-scripts
make_installation "$demo/instalacao" "$ftp_port" "$demo/dados/BASE.GDB"

start_ftp_server() {
    # pyftpdlib with downloads held to 2 MiB/s, so that a transfer can be seen.
    /usr/bin/python3 - "$ftp_port" "$demo/servidor" >"$demo/ftp.log" 2>&1 <<'PY' &
import sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer

authorizer = DummyAuthorizer()
authorizer.add_user("ftpuser", "velmftp", sys.argv[2], perm="elr")
ThrottledDTPHandler.write_limit = 2 * 1024 * 1024
FTPHandler.authorizer = authorizer
FTPHandler.dtp_handler = ThrottledDTPHandler
FTPServer(("127.0.0.1", int(sys.argv[1])), FTPHandler).serve_forever()
PY
    ftp_pid=$!
    trap 'kill "$ftp_pid" 2>/dev/null || true' EXIT
    wait_port "$ftp_port" 5 && return 0
    echo "the demo FTP server did not start (see $demo/ftp.log)" >&2
    return 1
}

if [ -n "${DISPLAY:-}" ] && [ -z "${VELM_DEMO_UNDER_XVFB:-}" ] && [ -z "${VELM_DEMO_HEADLESS:-}" ]; then
    echo "Demo installation: $demo/instalacao (update server on 127.0.0.1:$ftp_port)"
    start_ftp_server
    cd "$demo/instalacao"
    "$program"
    exit
fi

# No display: play the operator under Xvfb and keep screenshots.
if [ -z "${VELM_DEMO_UNDER_XVFB:-}" ]; then
    export VELM_DEMO_UNDER_XVFB=1
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

shots="$demo/screenshots"
rm -f "$shots"/*.png

shot() {  # window id, file name
    import -window "$1" "$shots/$2"
    echo "screenshot: $shots/$2"
}

# 1. The gate, confirmed: the update window follows.
start_ftp_server
cd "$demo/instalacao"
"$program" &
pid=$!
gate=$(wait_window '^Atualização$')
shot "$gate" gate.png
click "$gate" 46 568   # CheckBox1
click "$gate" 46 591   # CheckBox2
shot "$gate" gate-confirmable.png
click "$gate" 698 586  # "&Continuar  "
window=$(wait_window '^Atualização de Sistema$')
shot "$window" update-window.png
# 2. Enter presses "&Atualizar agora": downloads, archive step, then the
# upgrade window runs the catalogue's scripts on the product database.
xdotool key --window "$window" Return
for _ in $(seq 300); do  # the 6 MiB manual arrives at 2 MiB/s: catch it half-way
    part=$(find "$demo/instalacao" -name '~*.tmp' -size +2M 2>/dev/null | head -n 1)
    [ -n "$part" ] && break
    sleep 0.1
done
shot "$window" update-downloading.png
for _ in $(seq 300); do  # the upgrade window comes and goes at the end of the run
    xdotool search --onlyvisible --name '^Aviso$' >/dev/null 2>&1 && break
    sleep 0.1
done
for _ in $(seq 300); do
    xdotool search --onlyvisible --name '^Aviso$' >/dev/null 2>&1 || break
    sleep 0.1
done
sleep 1
shot "$window" update-run.png
echo "downloaded: $(cd "$demo/instalacao" && ls LEIAME.TXT App_Vezra_Lista.exe Sys_Brevant.old 2>/dev/null | tr '\n' ' ')"
click "$window" 849 581  # "&Sair"
wait "$pid" || true
echo "run log ($demo/instalacao/VelmUpdate.log):"
tr -d '\r' <"$demo/instalacao/VelmUpdate.log" | iconv -f WINDOWS-1252 -t UTF-8

# 3. A saved failed script blocks the start: the notice names it.
make_installation "$demo/bloqueada" "$ftp_port" "$demo/dados/BASE.GDB"
cd "$demo/bloqueada"
printf 'ALTER TABLE CLIENTES ADD EMAIL VARCHAR(80);\r\n' \
    >"SCRIPT_ERRO_DT_10-12-2026_HR_09-30-00 BASE.GDB.TXT"
"$program" &
pid=$!
notice=$(wait_window '^Erro$')
shot "$notice" notice.png
click "$notice" 775 249  # "&Cont.."
wait "$pid" || true

# 4. One copy per folder: a second copy started while the first one shows
# its gate says so and ends; a first copy that is killed leaves the folder
# free for the next start.
make_installation "$demo/duas-copias" "$ftp_port" "$demo/dados/BASE.GDB"
cd "$demo/duas-copias"
"$program" &
first=$!
wait_window '^Atualização$' >/dev/null
"$program" &
second=$!
box=$(wait_window '^VelmUpdate$')
shot "$box" second-copy.png
import -window root "$shots/second-copy-screen.png"
# The box is gone before xdotool sends the key's release, which it reports
# as an error of its own: whether the copy ended shows below.
xdotool key --window "$box" Return 2>/dev/null || true
code=0
wait "$second" || code=$?
echo "the second copy ended with exit code $code; in the folder: $(ls)"
kill -KILL "$first"
wait "$first" 2>/dev/null || true
"$program" &
pid=$!
gate=$(wait_window '^Atualização$')
shot "$gate" after-killed-copy.png
echo "the first copy killed, the next start shows the gate"
xdotool key --window "$gate" alt+s  # "&Sair"
wait "$pid" || true

echo "Demo done. Screenshots in $shots"
