#!/usr/bin/env bash
# Builds the two .deb packages and checks them with Debian's own tools. The packages are
# unpacked into a temporary root, never installed on this machine: the service and the client
# run from there, and the client's first session must be answered. Then lintian,
# desktop-file-validate, appstreamcli and systemd-analyze check the packages and their files.
#   tools/check-packages.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/tools/listening.sh"
build=${1:-$root/build-pkg}

# Release, with the hardening flags Debian builds its own packages with.
export CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
export LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBREVAN_BUILD_TESTS=OFF \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON > /dev/null
cmake --build "$build" --target TavrinAI tavrin-server tavrin-report tavrin-backtest brevan_package_files
rm -rf "$build/packages"
cpack --config "$build/CPackConfig.cmake" -B "$build/packages" > /dev/null
arch=$(dpkg --print-architecture)
client=$(echo "$build"/packages/tavrinai_*_"$arch".deb)
server=$(echo "$build"/packages/tavrinai-server_*_"$arch".deb)

work=$(mktemp -d)
service=
cleanup() {
    [ -n "$service" ] && kill "$service" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
tree=$work/root
dpkg-deb -x "$client" "$tree"
dpkg-deb -x "$server" "$tree"

fail() { echo "check-packages: $*" >&2; exit 1; }

# Every tool below prints nothing when it is satisfied (lintian's advice to root aside).
quiet() {
    local output
    output=$("$@" 2>&1) || { echo "$output" >&2; fail "$1 failed"; }
    output=$(grep -v '^running with root privileges' <<< "$output" || true)
    [ -z "$output" ] || { echo "$output" >&2; fail "$1 is not satisfied"; }
}
quiet lintian --fail-on error,warning "$client" "$server"
quiet desktop-file-validate "$tree"/usr/share/applications/*.desktop
# The whole tree, so that the metadata's desktop entry and icon are looked for too.
appstreamcli validate-tree --no-net --strict "$tree" > "$work/appstream.log" 2>&1 \
    || { cat "$work/appstream.log" >&2; fail "appstreamcli validate-tree failed"; }

# systemd-analyze checks the unit offline against the unpacked program, so its paths are
# moved into the temporary root first.
unit=$tree/lib/systemd/system/tavrinai-server.service
sed -e "s|/opt/tavrinai/|$tree/opt/tavrinai/|g" -e "s|/etc/opt/|$tree/etc/opt/|g" "$unit" \
    > "$work/tavrinai-server.service"
quiet systemd-analyze verify --man=no "$work/tavrinai-server.service"
systemd-analyze security --offline=yes --threshold=30 --no-pager "$work/tavrinai-server.service" \
    > "$work/security.log" 2>&1 || { cat "$work/security.log" >&2; fail "the unit is exposed"; }
[ "$(stat -c %a "$tree/etc/opt/tavrinai/server.env")" = 600 ] || fail "server.env is readable by others"

# The unpacked service, started as its unit starts it but on a free port, and the client
# started through the packaged launcher, with the packaged config.json pointed at that port.
exec_start=$(sed -n 's/^ExecStart=//p' "$work/tavrinai-server.service")
read -r -a command <<< "${exec_start/--port 8080/--port 0}"
# As systemd gives it: a clean environment with only what the packaged server.env sets.
env -i bash -c 'set -a; . "$1"; shift; exec "$@"' - "$tree/etc/opt/tavrinai/server.env" "${command[@]}" \
    > "$work/server.log" 2>&1 &
service=$!
url=$(listening_url "$work/server.log" "$service") || { cat "$work/server.log" >&2; fail "the service did not start"; }
config=$tree/etc/opt/tavrinai/config.json
grep -q '"api_base_url"' "$config" || fail "config.json names no service"
sed -i "s|\"api_base_url\": *\"[^\"]*\"|\"api_base_url\": \"$url\"|" "$config"
ln -sf "$config" "$tree/opt/tavrinai/bin/config.json"

mkdir -p "$work/home"
HOME=$work/home XDG_CONFIG_HOME=$work/home/.config QT_QPA_PLATFORM=offscreen \
    timeout 30 "$tree$(readlink "$tree/usr/bin/tavrinai")" > "$work/client.log" 2>&1 &
client_pid=$!
answered=0
for _ in $(seq 200); do
    grep -q '^POST /api/new 200' "$work/server.log" && { answered=1; break; }
    kill -0 "$client_pid" 2>/dev/null || break
    sleep 0.1
done
kill "$client_pid" 2>/dev/null || true
wait "$client_pid" 2>/dev/null || true
[ "$answered" -eq 1 ] || { cat "$work/client.log" "$work/server.log" >&2; fail "the client's first session was not answered"; }
echo "packages checked: $(basename "$client") $(basename "$server")"
