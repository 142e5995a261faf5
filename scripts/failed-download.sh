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
build_scripted_play "$build" "$0" "$@"
lay_scripted_play "$build" "$base"

# The release: five files newer than the folder's; the third breaks off.
write_release "$base/servidor"
write_listing "$base/servidor" "$base/listagem.txt" "${release_files[@]}"

folder="$base/instalacao"
# atualiza.cfg is written again for each run's server.
make_installation "$folder" "" "$base/dados/BASE.GDB" "" 'MZ versao anterior de %s\n'

scripted_server_pid=
trap '[ -z "$scripted_server_pid" ] || kill "$scripted_server_pid" 2>/dev/null || true' EXIT

run() {  # name, box|nobox, [server arguments...]
    play_scripted_run "$program" "$server_program" "$base/servidor" "$base/listagem.txt" \
        "$folder" "$shots" "$@"
}

folder_state "$folder" >"$base/before.txt"
run queda box --drop App_Vezra_Solicita.exe
folder_state "$folder" >"$base/after.txt"
if diff "$base/before.txt" "$base/after.txt" >&2; then
    echo "failed run: the folder is byte for byte as before ($(wc -l <"$base/before.txt") files)" >&2
else
    echo "failed run: THE FOLDER CHANGED" >&2
    exit 1
fi
mv "$folder/VelmUpdate.log" "$base/failed-run.log"
grep -aE 'download|commit|run end' "$base/failed-run.log" >&2 || true
run bom nobox
for name in "${release_files[@]}"; do
    cmp "$base/servidor/$name" "$folder/$name" >&2
done
echo "good run: all five files as on the server" >&2
echo "leftovers: $(cd "$folder" && ls | grep -aE '^~|journal' || echo none)" >&2
grep -aE 'download|commit|recovery|run end' "$folder/VelmUpdate.log" >&2 || true
echo "Screenshots in $shots" >&2
