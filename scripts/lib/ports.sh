# Port helpers shared by the scripts that start local servers (sourced).

free_port() {  # prints a port that was free on 127.0.0.1 a moment ago
    /usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1]); s.close()'
}

wait_port() {  # port, seconds: succeeds once something listens on 127.0.0.1:port
    local i
    for ((i = 0; i <= $2 * 10; i++)); do
        if (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; then return 0; fi
        [ "$i" -lt $(($2 * 10)) ] && sleep 0.1
    done
    return 1
}
