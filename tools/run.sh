#!/usr/bin/env bash
# Builds the client, the code-generation service and the demo terminals, then starts the
# client against them. Nothing outside the build folder is touched: the client runs with
# the demo home, where "Auto detect" finds the two demo terminals.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
port=${TAVRIN_SERVER_PORT:-8080}

bash "$root/tools/install-deps.sh" run
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBREVAN_BUILD_TESTS=OFF
cmake --build "$build" --target TavrinAI tavrin-server demo_sandbox

# The client reads its service address from config.json beside the executable.
printf '{\n    "api_base_url": "http://127.0.0.1:%s"\n}\n' "$port" > "$build/bin/config.json"

"$build/bin/tavrin-server" --port "$port" > "$build/tavrin-server.log" 2>&1 &
service=$!
trap 'kill "$service" 2>/dev/null || true' EXIT
for _ in $(seq 50); do
    grep -q 'listening' "$build/tavrin-server.log" 2>/dev/null && break
    kill -0 "$service" 2>/dev/null || { cat "$build/tavrin-server.log" >&2; exit 1; }
    sleep 0.1
done
echo "Code-generation service on http://127.0.0.1:$port (log: $build/tavrin-server.log)"

launcher=()
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: starting the client on a virtual display (xvfb-run)."
    launcher=(xvfb-run -a)
fi
HOME="$build/demo/home" "${launcher[@]}" "$build/bin/TavrinAI" "$@"
