#!/usr/bin/env bash
# One whole conversation in the real window on a virtual display: the template service, the
# demo terminals, the client's window driven like a trader would, and a screenshot; then the
# window at 1280 x 900, at 1440 x 960 and at its minimum size in every language, under
# BUILD_DIR/screenshots (a blank one fails the run). Fails, saying why, when any part of it cannot run: a smoke run
# that is skipped proves nothing.
# The build folder's config.json is left as it was: the driver runs from a folder of its own.
#   tools/smoke/run.sh [BUILD_DIR] [SCREENSHOT.png] [smokedriver options...]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/tools/listening.sh"
build=${1:-$root/build-smoke}
shot=${2:-$build/smoke.png}
shift $(( $# > 2 ? 2 : $# ))

fail() { echo "smoke run failed: $*" >&2; exit 1; }

command -v Xvfb >/dev/null || fail "Xvfb is not installed (bash tools/install-deps.sh test installs it)"
# An existing build folder (the test suite's, say) is reused as it is configured.
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBREVAN_BUILD_TESTS=OFF > /dev/null
fi
cmake --build "$build" --target smokedriver tavrin-server demo_sandbox > /dev/null

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

# A display of its own: Xvfb writes the number of a free display once it accepts clients.
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3> "$work/display" 2> "$work/xvfb.log" &
pids+=($!)
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    kill -0 "${pids[0]}" 2>/dev/null || break
    sleep 0.1
done
[ -s "$work/display" ] || { cat "$work/xvfb.log" >&2; fail "the virtual display (Xvfb) did not start"; }
display=:$(head -n 1 "$work/display")

log=$build/smoke-server.log
"$build/bin/tavrin-server" --port 0 > "$log" 2>&1 &
pids+=($!)
url=$(listening_url "$log" "${pids[-1]}") || { cat "$log" >&2; fail "the code-generation service did not start"; }
port=${url##*:}

# The driver reads config.json beside itself, like the client.
cp "$build/bin/smokedriver" "$work/"
printf '{"api_base_url": "http://127.0.0.1:%s"}\n' "$port" > "$work/config.json"
demo_home=$build/demo/home
rm -rf "$build/screenshots" # only this run's shots, whatever sizes earlier ones had
# A real X display this time, whatever platform the caller's tests use.
DISPLAY=$display QT_QPA_PLATFORM=xcb HOME="$demo_home" XDG_CONFIG_HOME="$demo_home/.config" \
    XDG_DATA_HOME="$demo_home/.local/share" XDG_CACHE_HOME="$demo_home/.cache" \
    "$work/smokedriver" --screenshot "$shot" --screenshots "$build/screenshots" "$@" \
    || fail "the conversation did not end in a compiled program, or a window shot is missing"
echo "smoke run passed; screenshot: $shot; the window in every language: $build/screenshots"
