#!/usr/bin/env bash
# Signs a release on the maker's side: writes SHA256SUMS (sha256sum over
# every file of FOLDER) and SHA256SUMS.minisig (minisign -S, the trusted
# comment carrying the signing time) into FOLDER, the server's product
# directory as it will be uploaded.
#   scripts/sign-release.sh FOLDER SECRET_KEY
# SECRET_KEY is the file minisign -G wrote; minisign asks for its password
# unless the key was made without one (-W).
set -euo pipefail
if [ $# -ne 2 ]; then
    echo "usage: $0 FOLDER SECRET_KEY" >&2
    exit 2
fi
folder=$1
secret_key=$(realpath -- "$2")
[ -d "$folder" ] || { echo "not a folder: $folder" >&2; exit 2; }
[ -f "$secret_key" ] || { echo "no secret key file: $2" >&2; exit 2; }
cd -- "$folder"

# The files the shops fetch: every file of the folder itself (the updater
# fetches no sub-folder), in byte order, without the two list files.
names=()
while IFS= read -r -d '' name; do
    name=${name#./}
    case "$name" in SHA256SUMS | SHA256SUMS.minisig) continue ;; esac
    names+=("$name")
done < <(find . -mindepth 1 -maxdepth 1 -type f -print0 | LC_ALL=C sort -z)

# Written beside the old list first, so that an interrupted run leaves
# either the old pair or no list, never a new list under an old signature.
rm -f SHA256SUMS.minisig
if [ ${#names[@]} -gt 0 ]; then
    sha256sum -- "${names[@]}" >SHA256SUMS.new
else
    : >SHA256SUMS.new
fi
mv -f SHA256SUMS.new SHA256SUMS
minisign -S -s "$secret_key" -m SHA256SUMS -x SHA256SUMS.minisig
echo "Signed ${#names[@]} files in $folder: SHA256SUMS and SHA256SUMS.minisig"
