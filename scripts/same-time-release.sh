#!/usr/bin/env bash
# Plays the operator of the real program under Xvfb, with the maker's public
# key in the shop's folder, against the scripted update server: release 1,
# signed with the real key tool, is installed; then release 2 rewrites a
# library and a program but the server lists both with the very times the
# shop's copies carry. The signed list, not the times, must decide: both
# are fetched, and the folder then checks out with `sha256sum -c` against
# the list it holds. The folder's state before and after release 2 and the
# run log's checksum lines are printed; screenshots land in
# build/same-time-release/screenshots.
#
#   bash scripts/same-time-release.sh [BUILD_DIR]   (default build/native)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build="$root/${1:-build/native}"
base="$root/build/same-time-release"

# shellcheck source=lib/installation.sh
. scripts/lib/installation.sh
build_scripted_play "$build" "$0" "$@"
lay_scripted_play "$build" "$base"

minisign -G -W -p "$base/maker.pub" -s "$base/maker.key" >/dev/null
write_release "$base/servidor"
scripts/sign-release.sh "$base/servidor" "$base/maker.key" >&2
listed=("${release_files[@]}" SHA256SUMS SHA256SUMS.minisig)
write_listing "$base/servidor" "$base/listagem.txt" "${listed[@]}"

folder="$base/instalacao"
make_installation "$folder" "" "$base/dados/BASE.GDB" "" 'MZ versao anterior de %s\n'
cp "$base/maker.pub" "$folder/atualiza.pub"

scripted_server_pid=
trap '[ -z "$scripted_server_pid" ] || kill "$scripted_server_pid" 2>/dev/null || true' EXIT

run() {  # name, box|nobox
    play_scripted_run "$program" "$server_program" "$base/servidor" "$base/listagem.txt" \
        "$folder" "$shots" "$@"
}

run release1 nobox
grep -aq 'finalizada com sucesso' "$folder/VelmUpdate.log" ||
    { echo "release 1 did not install" >&2; exit 1; }
mv "$folder/VelmUpdate.log" "$base/release1.log"

# Release 2: new bytes of the same sizes, so that even the listing's sizes
# and times are those of release 1.
head -c 300000 /dev/urandom >"$base/servidor/App_Vezra_Lista.exe"
printf 'biblioteca NOVA\r\n' >"$base/servidor/Vezra_Base.dll"
scripts/sign-release.sh "$base/servidor" "$base/maker.key" >&2
cp "$base/listagem.txt" "$base/listagem-1.txt"
write_listing "$base/servidor" "$base/listagem.txt" "${listed[@]}"
cmp -s <(grep -v SHA256SUMS "$base/listagem-1.txt") <(grep -v SHA256SUMS "$base/listagem.txt") ||
    { echo "release 2's listing differs from release 1's" >&2; exit 1; }

folder_state "$folder" >"$base/before.txt"
run release2 nobox
folder_state "$folder" >"$base/after.txt"
echo "release 2: the folder before (-) and after (+):" >&2
diff "$base/before.txt" "$base/after.txt" >&2 || true
grep -aE 'signed-list|checksum|commit|run end' "$folder/VelmUpdate.log" >&2 || true
grep -aq 'finalizada com sucesso' "$folder/VelmUpdate.log" ||
    { echo "release 2 did not install" >&2; exit 1; }
(cd "$folder" && sha256sum -c SHA256SUMS) >&2
echo "release 2: the folder holds every file of the signed list; screenshots in $shots" >&2
