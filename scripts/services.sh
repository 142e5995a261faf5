#!/usr/bin/env bash
# Starts (or stops) the real servers the tests and the demo use, all on
# 127.0.0.1: MariaDB, a Firebird server, pyftpdlib and vsftpd.
#
#   scripts/services.sh start STATE_DIR   # starts them, writes STATE_DIR/env
#   scripts/services.sh stop STATE_DIR    # ends every process it started
#
# STATE_DIR/env holds the exports the tests read (VELM_TEST_*). A server that
# cannot start is reported and left out; its variables are then missing.
set -euo pipefail

action=${1:?start or stop}
state=$(mkdir -p "${2:?state folder}" && cd "$2" && pwd)
pids="$state/pids"

remember() {  # pid: recorded with its command name, so stop never hits a reused pid
    echo "$1 $(cat "/proc/$1/comm" 2>/dev/null)" >>"$pids"
}

# shellcheck source=lib/ports.sh
. "$(dirname "${BASH_SOURCE[0]}")/lib/ports.sh"

start_mariadb() {
    local data="$state/mariadb" port sock
    port=$(free_port)
    sock="$state/mariadb.sock"
    rm -rf "$data"
    mariadb-install-db --no-defaults --datadir="$data" --user=root \
        --auth-root-authentication-method=socket --skip-test-db >"$state/mariadb-install.log" 2>&1
    mariadbd --no-defaults --datadir="$data" --user=root --bind-address=127.0.0.1 \
        --port="$port" --socket="$sock" --skip-name-resolve --skip-log-bin \
        >"$state/mariadb.log" 2>&1 &
    remember $!
    if ! wait_port "$port" 30; then
        echo "MariaDB did not start (see $state/mariadb.log)" >&2
        return 1
    fi
    # A password account for the tests: the program logs in over TCP.
    mariadb --no-defaults --socket="$sock" -u root <<SQL
CREATE USER 'velmtest'@'127.0.0.1' IDENTIFIED BY 'velmtest';
GRANT ALL PRIVILEGES ON *.* TO 'velmtest'@'127.0.0.1' WITH GRANT OPTION;
FLUSH PRIVILEGES;
SQL
    cat >>"$state/env" <<ENV
export VELM_TEST_MYSQL_HOST=127.0.0.1
export VELM_TEST_MYSQL_PORT=$port
export VELM_TEST_MYSQL_SOCKET=$sock
export VELM_TEST_MYSQL_USER=velmtest
export VELM_TEST_MYSQL_PASSWORD=velmtest
ENV
}

start_firebird() {
    local dbdir="$state/firebird"
    mkdir -p "$dbdir"
    chmod 0777 "$dbdir"
    if ! wait_port 3050 0; then
        # Users are set offline, through the embedded engine, before the server starts.
        isql-fb -q -user SYSDBA /var/lib/firebird/3.0/system/security3.fdb \
            >"$state/firebird-users.log" 2>&1 <<'SQL'
CREATE OR ALTER USER SYSDBA PASSWORD 'masterkey';
CREATE OR ALTER USER ROOT PASSWORD '857461';
GRANT CREATE DATABASE TO USER ROOT;
COMMIT;
SQL
        /usr/sbin/firebird >"$state/firebird.log" 2>&1 &
        remember $!
        if ! wait_port 3050 30; then
            echo "Firebird server did not start (see $state/firebird.log)" >&2
            return 1
        fi
    fi
    cat >>"$state/env" <<ENV
export VELM_TEST_FIREBIRD_HOST=127.0.0.1
export VELM_TEST_FIREBIRD_DIR=$dbdir
ENV
}

start_pyftpdlib() {
    local root="$state/ftp-root" port
    mkdir -p "$root"
    port=$(free_port)
    /usr/bin/python3 -m pyftpdlib -i 127.0.0.1 -p "$port" -u ftpuser -P velmftp -d "$root" -w \
        >"$state/pyftpdlib.log" 2>&1 &
    remember $!
    if ! wait_port "$port" 20; then
        echo "pyftpdlib did not start (see $state/pyftpdlib.log)" >&2
        return 1
    fi
    cat >>"$state/env" <<ENV
export VELM_TEST_FTP_PORT=$port
export VELM_TEST_FTP_ROOT=$root
export VELM_TEST_FTP_USER=ftpuser
export VELM_TEST_FTP_PASSWORD=velmftp
ENV
}

start_vsftpd() {
    local port top root empty
    command -v /usr/sbin/vsftpd >/dev/null || return 1
    # vsftpd's local user must pass through every parent of its home and root,
    # and a clone may lie in a folder only its owner may enter (root's home, a
    # mktemp -d folder): the server's folders live below /tmp instead, made
    # afresh on each start and removed on stop.
    top=$(mktemp -d /tmp/velm-vsftpd.XXXXXX)
    chmod 0755 "$top"
    echo "$top" >>"$state/vsftpd-top"  # a list: a second start before a stop adds its own
    root="$top/root"
    empty="$top/empty"
    mkdir -p "$root" "$empty"
    port=$(free_port)
    # The user may come from an earlier run of another clone, with a home that
    # is gone or unreachable: give it a fixed home on every start, one that no
    # run removes (local_root below is where the session lands), so that
    # several runs at once do not pull the home from under each other.
    mkdir -p /var/lib/velmftp
    chmod 0755 /var/lib/velmftp
    # velmftp for the tests; ftpuser, the update run's fixed login, for runs
    # of the program and its benchmarks against vsftpd.
    local user
    for user in velmftp ftpuser; do
        if id "$user" >/dev/null 2>&1; then
            [ "$(getent passwd "$user" | cut -d: -f6)" = /var/lib/velmftp ] || usermod -d /var/lib/velmftp "$user"
        else
            useradd -M -d /var/lib/velmftp -s /bin/bash "$user"
        fi
    done
    printf 'velmftp:velmftp\nftpuser:velmftp\n' | chpasswd
    chown velmftp "$root"
    cat >"$state/vsftpd.conf" <<CONF
listen=YES
listen_ipv6=NO
listen_address=127.0.0.1
listen_port=$port
background=NO
anonymous_enable=NO
local_enable=YES
local_root=$root
write_enable=NO
pam_service_name=vsftpd
pasv_enable=YES
pasv_address=127.0.0.1
port_enable=YES
seccomp_sandbox=NO
secure_chroot_dir=$empty
CONF
    /usr/sbin/vsftpd "$state/vsftpd.conf" >"$state/vsftpd.log" 2>&1 &
    remember $!
    if ! wait_port "$port" 20; then
        echo "vsftpd did not start (see $state/vsftpd.log)" >&2
        return 1
    fi
    cat >>"$state/env" <<ENV
export VELM_TEST_VSFTPD_PORT=$port
export VELM_TEST_VSFTPD_ROOT=$root
export VELM_TEST_VSFTPD_USER=velmftp
export VELM_TEST_VSFTPD_PASSWORD=velmftp
export VELM_TEST_VSFTPD_UPDATE_USER=ftpuser
ENV
}

case "$action" in
start)
    : >"$state/env"
    : >>"$pids"
    start_mariadb || true
    start_firebird || true
    start_pyftpdlib || true
    start_vsftpd || true
    ;;
stop)
    if [ -f "$pids" ]; then
        ours=()
        while read -r pid name; do
            [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = "$name" ] && ours+=("$pid")
        done <"$pids"
        if [ ${#ours[@]} -gt 0 ]; then
            kill "${ours[@]}" 2>/dev/null || true
            for _ in 1 2 3 4 5 6 7 8 9 10; do
                kill -0 "${ours[@]}" 2>/dev/null || break
                sleep 0.3
            done
            kill -9 "${ours[@]}" 2>/dev/null || true
        fi
        rm -f "$pids"
    fi
    if [ -f "$state/vsftpd-top" ]; then
        while read -r top; do
            case "$top" in /tmp/velm-vsftpd.*) rm -rf "$top" ;; esac
        done <"$state/vsftpd-top"
        rm -f "$state/vsftpd-top"
    fi
    ;;
*)
    echo "usage: $0 start|stop STATE_DIR" >&2
    exit 2
    ;;
esac
