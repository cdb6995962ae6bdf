#!/usr/bin/env bash
# One whole conversation in the real window on a virtual display: the template service, the
# demo terminals, the client's window driven like a trader would, and a screenshot.
#   tools/smoke/run.sh [BUILD_DIR] [SCREENSHOT.png] [smokedriver options...]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build-smoke}
shot=${2:-$build/smoke.png}
shift $(( $# > 2 ? 2 : $# ))

command -v xvfb-run >/dev/null || { echo "smoke run skipped: xvfb-run is not installed"; exit 0; }
# An existing build folder (the test suite's, say) is reused as it is configured.
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBREVAN_BUILD_TESTS=OFF > /dev/null
fi
cmake --build "$build" --target smokedriver tavrin-server demo_sandbox > /dev/null

log=$build/smoke-server.log
"$build/bin/tavrin-server" --port 0 > "$log" 2>&1 &
service=$!
trap 'kill "$service" 2>/dev/null || true' EXIT
port=
for _ in $(seq 100); do
    port=$(sed -n 's/.*listening on http:\/\/127\.0\.0\.1:\([0-9]*\).*/\1/p' "$log" | head -n 1)
    [ -n "$port" ] && break
    sleep 0.1
done
[ -n "$port" ] || { cat "$log" >&2; exit 1; }
printf '{"api_base_url": "http://127.0.0.1:%s"}\n' "$port" > "$build/bin/config.json"

# A real X display this time, whatever platform the caller's tests use.
HOME="$build/demo/home" XDG_CONFIG_HOME="$build/demo/home/.config" QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 1280x900x24" "$build/bin/smokedriver" --screenshot "$shot" "$@"
echo "smoke run passed; screenshot: $shot"
