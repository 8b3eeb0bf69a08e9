# Sourced by the shell tests and benchmarks that start yanqing-server with
# --port 0: waits (up to 10 s) for the port the server names on its first
# log line. usage: port=$(server_port LOG PID) || fail ...
server_port() {
    local log=$1 pid=$2 port=
    for _ in $(seq 100); do
        port=$(sed -n 's|.*http://127.0.0.1:\([0-9]*\)/.*|\1|p' "$log" 2> /dev/null)
        [ -n "$port" ] && { echo "$port"; return 0; }
        kill -0 "$pid" 2> /dev/null || return 1
        sleep 0.1
    done
    return 1
}
