#!/usr/bin/env bash
# Folders depend downwards only. From the bottom up:
#   platform
#   widgets, ftp, signing   (siblings: none includes another)
#   sync, upgrade           (siblings: neither includes the other)
#   windows
#   app
# A source may include headers of its own folder and of the levels below it.
# Lists every include of a folder on its own level or above, and fails if any.
set -euo pipefail
cd "$(dirname "$0")/.."

level() {  # folder -> its level, empty for folders outside the layers
    case $1 in
    platform) echo 0 ;;
    widgets | ftp | signing) echo 1 ;;
    sync | upgrade) echo 2 ;;
    windows) echo 3 ;;
    app) echo 4 ;;
    esac
}

found=0
for folder in platform widgets ftp signing sync upgrade windows app; do
    own=$(level "$folder")
    # file:line:included folder, for every #include "folder/...".
    while IFS=: read -r file line included; do
        [ "$included" != "$folder" ] || continue
        other=$(level "$included")
        [ -n "$other" ] || continue
        if [ "$other" -ge "$own" ]; then
            kind=above
            [ "$other" -gt "$own" ] || kind="a sibling of"
            echo "$file:$line: includes $included/, which is $kind $folder/" >&2
            found=1
        fi
    done < <(grep -rnE --include='*.h' --include='*.cpp' '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[A-Za-z_]+/' "$folder" |
        sed -E 's/^([^:]+):([0-9]+):[^"]*"([A-Za-z_]+)\/.*$/\1:\2:\3/')
done

if [ "$found" -ne 0 ]; then
    echo "Folders depend downwards only: platform; widgets, ftp, signing; sync, upgrade; windows; app." >&2
    exit 1
fi
echo "Layers: every include points downwards."
