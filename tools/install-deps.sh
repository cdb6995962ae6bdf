#!/usr/bin/env bash
# Installs the Debian packages that a purpose needs and that are not installed yet.
#   install-deps.sh run     build and start the client with its stand-ins
#   install-deps.sh quick   build and run the debug test suite (tools/test.sh --quick)
#   install-deps.sh test    also the fuzzers, the smoke run on a virtual display, the sanitizer suite,
#                           the compiles through Wine and the package checks
#   install-deps.sh bench   build the benchmarks
set -euo pipefail

build=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
       qt6-httpserver-dev qt6-websockets-dev qt6-charts-dev qt6-translations-l10n qtkeychain-qt6-dev libgl-dev libxkbcommon-dev librsvg2-bin
       libhiredis-dev)
case "${1:-run}" in
    run)   wanted=("${build[@]}" xvfb xauth curl fonts-noto-cjk fonts-noto-color-emoji) ;;
    quick) wanted=("${build[@]}") ;;
    test)  wanted=("${build[@]}" xvfb fonts-noto-color-emoji clang libclang-rt-14-dev
                   dpkg-dev lintian desktop-file-utils appstream systemd redis-server nginx) ;;
    bench) wanted=("${build[@]}" libbenchmark-dev redis-server nginx) ;;
    *) echo "usage: $0 run|quick|test|bench" >&2; exit 2 ;;
esac
# Compiles through real Wine and the Windows builds of the stand-in compiler and the syntax check.
[ "${1:-run}" = test ] && wanted+=(wine wine64 g++-mingw-w64-x86-64)
# The Windows leg unpacks its Qt for Windows from an .xz archive, lends it fonts, builds
# the installer with makensis, finds the installed client's window on a virtual display and
# photographs it.
[ "${1:-run}" = test ] && wanted+=(xz-utils fonts-dejavu-core nsis xdotool imagemagick)
# The API key's test through a real credential store: a private D-Bus session and keyring.
[ "${1:-run}" = test ] && wanted+=(dbus gnome-keyring)

missing=()
for package in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}"
