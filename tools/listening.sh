# Sourced by the scripts that start tavrin-server, which says on one line where it listens.
#   listening_url LOG PID   prints that address once LOG holds it; fails when PID ends
#                           first or nothing is said within 10 s
listening_url() {
    local log=$1 pid=$2 url
    for _ in $(seq 100); do
        url=$(sed -n 's/.*listening on \(http:[^ ]*\).*/\1/p' "$log" | head -n 1)
        [ -n "$url" ] && { echo "${url%/}"; return 0; }
        kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}
