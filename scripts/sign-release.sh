#!/usr/bin/env bash
# Signs a release on the maker's side: writes SHA256SUMS (sha256sum over
# every file of FOLDER) and SHA256SUMS.minisig (minisign -S, the trusted
# comment carrying the signing time) into FOLDER, the server's product
# directory as it will be uploaded.
#   scripts/sign-release.sh [--valid-days N] FOLDER SECRET_KEY
# SECRET_KEY is the file minisign -G wrote; minisign asks for its password
# unless the key was made without one (-W). With --valid-days N the trusted
# comment also carries "expires:" N days after the signing time: the shops
# refuse the list after that, so a server cannot hold them on this release
# for ever; the maker then signs the list again before it runs out.
set -euo pipefail
valid_days=
if [ "${1:-}" = --valid-days ]; then
    valid_days=${2:-}
    case "$valid_days" in '' | *[!0-9]* | 0)
        echo "--valid-days needs a whole number of days above 0" >&2
        exit 2
        ;;
    esac
    shift 2
fi
if [ $# -ne 2 ]; then
    echo "usage: $0 [--valid-days N] FOLDER SECRET_KEY" >&2
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
if [ -n "$valid_days" ]; then
    # The comment the tool writes by default, with the expiry beside the time.
    now=$(date +%s)
    minisign -S -s "$secret_key" -m SHA256SUMS -x SHA256SUMS.minisig \
        -t "$(printf 'timestamp:%s\texpires:%s\tfile:SHA256SUMS\thashed' \
            "$now" "$((now + valid_days * 86400))")"
else
    minisign -S -s "$secret_key" -m SHA256SUMS -x SHA256SUMS.minisig
fi
echo "Signed ${#names[@]} files in $folder: SHA256SUMS and SHA256SUMS.minisig"
