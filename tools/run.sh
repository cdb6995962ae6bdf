#!/usr/bin/env bash
# Builds the client, the code-generation service and the demo terminals, then starts the
# client against them. Nothing outside the build folder is read or written: the client runs
# with the demo's own home and XDG folders, where "Auto detect" finds the two demo terminals
# and the language setting is kept.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/tools/listening.sh"
build=${BUILD_DIR:-$root/build}
wanted_port=${TAVRIN_SERVER_PORT:-8080}
port=

bash "$root/tools/install-deps.sh" run
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBREVAN_BUILD_TESTS=OFF
cmake --build "$build" --target TavrinAI tavrin-server demo_sandbox

log=$build/tavrin-server.log
service=
trap '[ -z "$service" ] || kill "$service" 2>/dev/null || true' EXIT

# start_service PORT: starts the service and sets $port to the one it listens on; fails when
# it cannot listen there (0 asks for any free port).
start_service() {
    "$build/bin/tavrin-server" --port "$1" > "$log" 2>&1 &
    service=$!
    local url
    if url=$(listening_url "$log" "$service"); then
        port=${url##*:}
        return 0
    fi
    kill "$service" 2>/dev/null || true
    service=
    return 1
}

if ! start_service "$wanted_port"; then
    echo "Port $wanted_port is taken; the service takes a free one."
    start_service 0 || { cat "$log" >&2; exit 1; }
fi
# The client looks at 8080 by itself, as an installed one does, and Settings > Code generator…
# then offers every choice; another port is named in config.json beside the executable, which
# fixes the address as an administrator would.
if [ "$port" = 8080 ]; then
    rm -f "$build/bin/config.json"
else
    printf '{\n    "api_base_url": "http://127.0.0.1:%s"\n}\n' "$port" > "$build/bin/config.json"
fi

# Listening is not answering: wait for a real reply before telling anyone.
answered=
for _ in $(seq 50); do
    if curl -sf -o /dev/null -H 'Content-Type: application/json' -d '{"client_version": "1.0.0"}' \
            "http://127.0.0.1:$port/api/version_check"; then
        answered=1
        break
    fi
    sleep 0.1
done
[ -n "$answered" ] || { cat "$log" >&2; echo "The service does not answer." >&2; exit 1; }
echo "Code-generation service on http://127.0.0.1:$port (log: $log)"
echo "In the demo, ask for an Expert Advisor and press Backtest under its compile verdict: the demo terminals' stand-in tester writes a demo report, shown as a card in the chat."

launcher=()
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: starting the client on a virtual display (xvfb-run)."
    launcher=(xvfb-run -a)
fi
demo_home=$build/demo/home
HOME="$demo_home" XDG_CONFIG_HOME="$demo_home/.config" XDG_DATA_HOME="$demo_home/.local/share" \
    XDG_CACHE_HOME="$demo_home/.cache" XDG_STATE_HOME="$demo_home/.local/state" \
    "${launcher[@]}" "$build/bin/TavrinAI" "$@"
