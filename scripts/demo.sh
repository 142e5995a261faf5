#!/usr/bin/env bash
# The README's demo command: installs what is missing, builds the program,
# lays out a demo installation folder and runs the updater from it.
#
# With a display the program runs as usual. Without one it runs under Xvfb and
# an operator is played with xdotool: the screenshots of every window shown
# are saved in build/demo/screenshots.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
demo="$root/build/demo"

if [ -z "${VELM_DEMO_UNDER_XVFB:-}" ]; then
    scripts/setup.sh >&2
    cmake -S . -B build/native -G Ninja -DVELM_BENCH=OFF >/dev/null
    cmake --build build/native --target VelmUpdate -j "$(nproc)" >&2
fi
program="$root/build/native/app/VelmUpdate"

# A demo installation: the sibling programs, the product's configuration,
# and a registry whose Program Files folder holds the archiver.
make_installation() {  # folder
    local folder=$1
    rm -rf "$folder"
    mkdir -p "$folder"
    for exe in App_Vezra_Config.exe App_Vezra_Lista.exe App_Vezra_Solicita.exe Sys_Brevant.exe; do
        printf 'MZ demo\n' >"$folder/$exe"
    done
    printf '[SISTEMA]     %s\r\n' "$demo/dados/BASE.GDB" >"$folder/Sys_Info.INI"
}

mkdir -p "$demo/programas/WinRAR" "$demo/dados" "$demo/screenshots"
printf '#!/bin/sh\nexit 0\n' >"$demo/programas/WinRAR/WinRAR.exe"
chmod +x "$demo/programas/WinRAR/WinRAR.exe"
cat >"$demo/registry.reg" <<REG
REGEDIT4

[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion]
"ProgramFilesDir"="$demo/programas"
REG
export VELMUPDATE_REGISTRY="$demo/registry.reg"
make_installation "$demo/instalacao"

if [ -n "${DISPLAY:-}" ] && [ -z "${VELM_DEMO_UNDER_XVFB:-}" ] && [ -z "${VELM_DEMO_HEADLESS:-}" ]; then
    echo "Demo installation: $demo/instalacao"
    cd "$demo/instalacao"
    exec "$program"
fi

# No display: play the operator under Xvfb and keep screenshots.
if [ -z "${VELM_DEMO_UNDER_XVFB:-}" ]; then
    export VELM_DEMO_UNDER_XVFB=1
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

shots="$demo/screenshots"
rm -f "$shots"/*.png

wait_window() {  # title regex -> window id
    local id i
    for ((i = 0; i < 100; i++)); do
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

shot() {  # window id, file name
    import -window "$1" "$shots/$2"
    echo "screenshot: $shots/$2"
}

click() {  # window id, x, y (client coordinates)
    xdotool mousemove --window "$1" "$2" "$3" click 1
    sleep 0.3
}

# 1. The gate, confirmed: the update window follows.
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
click "$window" 849 581  # "&Sair"
wait "$pid" || true

# 2. A saved failed script blocks the start: the notice names it.
make_installation "$demo/bloqueada"
cd "$demo/bloqueada"
printf 'ALTER TABLE CLIENTES ADD EMAIL VARCHAR(80);\r\n' \
    >"SCRIPT_ERRO_DT_10-12-2026_HR_09-30-00 BASE.GDB.TXT"
"$program" &
pid=$!
notice=$(wait_window '^Erro$')
shot "$notice" notice.png
click "$notice" 775 249  # "&Cont.."
wait "$pid" || true

echo "Demo done. Screenshots in $shots"
