#!/usr/bin/env bash
# Plays the operator of the real program under Xvfb against the scripted
# update server listing names that would land on the updater's own files
# (VelmUpdate.journal holding a journal that points outside the folder,
# VelmUpdate.lock, script_erro.txt, VelmUpdate.log) and one file twice
# under a Windows alias (a.exe beside a.exe.). Each refused name gets its
# box; nothing lands under those names and no file of the folder changes.
# Then the next start must not be blocked (no script-error notice): a
# second run against a clean listing installs a.exe. Screenshots land in
# build/own-names/screenshots.
#
#   bash scripts/own-names.sh [BUILD_DIR]   (default build/native)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build="$root/${1:-build/native}"
base="$root/build/own-names"

# shellcheck source=lib/installation.sh
. scripts/lib/installation.sh
build_scripted_play "$build" "$0" "$@"
lay_scripted_play "$build" "$base"

served="$base/servidor"
hostile=(VelmUpdate.journal VelmUpdate.lock script_erro.txt VelmUpdate.log a.exe a.exe.)
# A journal as a commit writes one, pointing outside the folder: obeyed, it
# would move a file out of the folder and delete another.
printf 'VelmUpdate commit journal 2\r\ndirection forward\r\n..\\fora\\x|~vu1a2b3c.tmp|~vb0123456789ab.tmp|4|%064d\r\n' 0 \
    >"$served/VelmUpdate.journal"
printf 'lock do servidor\r\n' >"$served/VelmUpdate.lock"
printf 'script do servidor\r\n' >"$served/script_erro.txt"
printf 'log do servidor\r\n' >"$served/VelmUpdate.log"
printf 'MZ a nova\n' >"$served/a.exe"
printf 'MZ a com ponto\n' >"$served/a.exe."
write_listing "$served" "$base/hostil.txt" "${hostile[@]}"
write_listing "$served" "$base/limpa.txt" a.exe

folder="$base/instalacao"
make_installation "$folder" "" "$base/dados/BASE.GDB"
mkdir -p "$base/fora"
printf 'fora da pasta\r\n' >"$base/fora/x"

scripted_server_pid=
trap '[ -z "$scripted_server_pid" ] || kill "$scripted_server_pid" 2>/dev/null || true' EXIT

serve() {  # listing
    coproc SCRIPTED_SERVER { exec "$server_program" "$served" "$1"; }
    scripted_server_pid=$SCRIPTED_SERVER_PID
    local port
    read -r port <&"${SCRIPTED_SERVER[0]}"
    point_at_server "$folder" "$port"
}

# The next information box: a screenshot with it, OK, and back once that
# box is gone (the next one may follow at once, under the same title).
answer_next_box() {  # screenshot file
    local box
    box=$(wait_window '^VelmUpdate$' 30)
    shot_screen "$1"
    xdotool windowactivate --sync "$box" 2>/dev/null || true
    xdotool key Return
    while xdotool search --onlyvisible --name '^VelmUpdate$' 2>/dev/null | grep -qx "$box"; do
        sleep 0.1
    done
}

stop_serving() {
    kill "$scripted_server_pid"
    wait "$scripted_server_pid" 2>/dev/null || true
    scripted_server_pid=
}

folder_state "$folder" >"$base/before.txt"
serve "$base/hostil.txt"
(
    cd "$folder"
    start_update "$program" 30
    # One box per refused name, in listing order.
    for i in 1 2 3 4 5; do
        answer_next_box "$shots/box-$i.png"
    done
    for ((i = 0; i < 300; i++)); do
        grep -q 'run end' VelmUpdate.log 2>/dev/null && break
        sleep 0.1
    done
    sleep 1
    shot_screen "$shots/hostile-end.png"
    leave_update
)
stop_serving
folder_state "$folder" >"$base/after.txt"
diff "$base/before.txt" "$base/after.txt" >&2 || { echo "THE FOLDER CHANGED" >&2; exit 1; }
for name in VelmUpdate.journal script_erro.txt a.exe. a.exe; do
    if [ -e "$folder/$name" ]; then echo "$name LANDED" >&2; exit 1; fi
done
if grep -aq 'servidor' "$folder/VelmUpdate.log"; then echo "the server's log landed" >&2; exit 1; fi
if [ -e "$folder/VelmUpdate.lock" ]; then echo "the lock file stayed" >&2; exit 1; fi
cmp "$base/fora/x" <(printf 'fora da pasta\r\n') >&2
echo "hostile run: nothing landed under those names; the folder is as before ($(wc -l <"$base/before.txt") files)" >&2
grep -aE 'refused-name|commit|upgrade|run end' "$folder/VelmUpdate.log" >&2 || true

# The next start is not blocked, and a clean listing installs a.exe.
serve "$base/limpa.txt"
(
    cd "$folder"
    start_update "$program" 30
    for ((i = 0; i < 300; i++)); do
        grep -q 'run end.*sucesso' VelmUpdate.log 2>/dev/null && break
        sleep 0.1
    done
    sleep 1
    shot_screen "$shots/next-start-end.png"
    leave_update
)
stop_serving
cmp "$served/a.exe" "$folder/a.exe" >&2
echo "next start: the gate, then a.exe installed" >&2
echo "Screenshots in $shots" >&2
