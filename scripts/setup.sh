#!/usr/bin/env bash
# Installs every Debian package the build, the tests, the benchmarks and the
# demo need, only when something is missing.
set -euo pipefail

packages=(
    g++ cmake ninja-build pkg-config libgtest-dev libgmock-dev googletest libbenchmark-dev
    qt6-base-dev libqt6sql6-mysql libqt6sql6-sqlite
    firebird-dev libfbclient2 firebird3.0-server-core firebird3.0-server firebird3.0-utils
    mariadb-server mariadb-client python3-pyftpdlib vsftpd
    xvfb xauth x11-apps xdotool imagemagick fonts-dejavu-core fonts-liberation2
    g++-mingw-w64-x86-64-posix wine64 wine
    clang libclang-rt-14-dev
    curl lftp hyperfine locales xdg-utils
    libgcrypt20-dev libgcrypt-mingw-w64-dev minisign
)

# One dpkg-query for the whole list. A package counts as present when its
# state is "installed" whatever is wanted of it (a held package is present).
declare -A present=()
while read -r name state; do
    if [ "$state" = installed ]; then present[$name]=1; fi
done < <(dpkg-query -W -f='${Package} ${db:Status-Status}\n' "${packages[@]}" 2>/dev/null || true)
missing=()
for p in "${packages[@]}"; do
    [ -n "${present[$p]:-}" ] || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
