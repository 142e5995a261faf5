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

# shellcheck source=lib/installation.sh
. scripts/lib/installation.sh
build_scripted_play "$build" "$0" "$@"
lay_scripted_play "$build" "$base"

# The release, signed by the maker; then one file replaced after signing.
write_release "$base/servidor"
minisign -G -W -p "$base/maker.pub" -s "$base/maker.key" >/dev/null
scripts/sign-release.sh "$base/servidor" "$base/maker.key" >&2
cp "$base/servidor/App_Vezra_Lista.exe" "$base/genuine.exe"
head -c 300000 /dev/urandom >"$base/servidor/App_Vezra_Lista.exe"
write_listing "$base/servidor" "$base/listagem.txt" "${release_files[@]}" SHA256SUMS \
    SHA256SUMS.minisig

folder="$base/instalacao"
# atualiza.cfg is written again for each run's server.
make_installation "$folder" "" "$base/dados/BASE.GDB" "" 'MZ versao anterior de %s\n'
cp "$base/maker.pub" "$folder/atualiza.pub"

scripted_server_pid=
trap '[ -z "$scripted_server_pid" ] || kill "$scripted_server_pid" 2>/dev/null || true' EXIT

run() {  # name, box|nobox
    play_scripted_run "$program" "$server_program" "$base/servidor" "$base/listagem.txt" \
        "$folder" "$shots" "$@"
}

folder_state "$folder" >"$base/before.txt"
run adulterado box
folder_state "$folder" >"$base/after.txt"
if diff "$base/before.txt" "$base/after.txt" >&2; then
    echo "tampered run: the folder is byte for byte as before ($(wc -l <"$base/before.txt") files)" >&2
else
    echo "tampered run: THE FOLDER CHANGED" >&2
    exit 1
fi
mv "$folder/VelmUpdate.log" "$base/tampered-run.log"
grep -aE 'signed-list|checksum|commit|upgrade|run end' "$base/tampered-run.log" >&2 || true
cp "$base/genuine.exe" "$base/servidor/App_Vezra_Lista.exe"
run bom nobox
for name in "${release_files[@]}" SHA256SUMS SHA256SUMS.minisig; do
    cmp "$base/servidor/$name" "$folder/$name" >&2
done
echo "genuine run: all five files and the signed list as on the server" >&2
grep -aE 'signed-list|checksum|commit|upgrade|run end' "$folder/VelmUpdate.log" >&2 || true
echo "Screenshots in $shots" >&2
