#!/usr/bin/env bash
# The Windows leg: builds the client, the service, the stand-in compiler and the test suite as Windows
# programs with mingw-w64 and a Qt for Windows, then runs every test under Wine, offscreen, in a
# throw-away prefix. Fails when a test fails, crashes or does not finish. Then it builds the
# installer, upgrades an older installation with it, and uses the installed client in a real
# window on a virtual display of its own; the window's picture is left in the build folder.
#   windows-leg.sh [--if-available] [BUILD_DIR]   (BUILD_DIR defaults to build-windows)
# With --if-available, a machine without the Windows Qt is told how to get it and the leg is
# skipped instead of failed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if_available=0
[ "${1:-}" = "--if-available" ] && { if_available=1; shift; }
build=$(realpath -m "${1:-$root/build-windows}")
bundle=$root/../shared/qt-mingw/qt-6.4.2-mingw-w64-desktop.tar.xz
# One folder per archive, so that a run with another archive never unpacks over this one.
cache=${XDG_CACHE_HOME:-$HOME/.cache}/tavrinai/qt-mingw/$(basename "$bundle" .tar.xz)
qt=$cache/qt
per_test_timeout=300

how_to_get_qt() {
    cat >&2 <<EOF
The Windows leg needs a Qt 6.4 for Windows built with mingw-w64, and none is at hand:
  - in CI it is $bundle, unpacked by this script into $cache;
  - to put one there, unpack that archive from another machine into $cache
    (tar -xJf $(basename "$bundle") -C "$cache"), or
  - build it from Debian's qt6-base source package (about 35 minutes on 2 cores): add a
    deb-src line, run "apt-get source qt6-base", then configure it for Windows with
    g++-mingw-w64-x86-64-posix (shared, Release, -qt-host-path /usr, bundled zlib, pcre2,
    freetype, harfbuzz, libpng, libjpeg and double-conversion; desktop OpenGL, so that the
    windows platform plugin is built; direct2d, DirectWrite 3, D-Bus, SQL, PrintSupport,
    Concurrent, Vulkan, OpenSSL and tablet events off, Schannel on) and install
    it into $cache/qt, then Qt HttpServer 6.4.2, Qt Charts 6.4.2 and QtKeychain 0.13.2 (BUILD_WITH_QT6=ON)
    on top of it, as the README of qt-mingw in ../shared describes.
EOF
}

# Unpacks the archive into the cache once per archive version; the cache lives outside the
# repository, so that no build ever sees the Qt as a part of the sources.
unpack_qt() {
    local stamp=$cache/archive.sha256 sum
    sum=$(sha256sum "$bundle" | cut -d' ' -f1)
    if [ -x "$qt/bin/qt-cmake" ] && [ "$(cat "$stamp" 2>/dev/null)" = "$sum" ]; then
        return
    fi
    echo "Unpacking the Windows Qt into $cache"
    rm -rf "$qt"
    mkdir -p "$cache"
    tar -xJf "$bundle" -C "$cache"
    echo "$sum" >"$stamp"
}

if [ -f "$bundle" ]; then
    unpack_qt
elif [ ! -x "$qt/bin/qt-cmake" ]; then
    how_to_get_qt
    [ "$if_available" -eq 1 ] && { echo "Windows leg skipped: no Windows Qt." >&2; exit 0; }
    exit 1
fi

started=$SECONDS
"$qt/bin/qt-cmake" -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
cmake --build "$build" -j2
built=$SECONDS

# One headless prefix for this run, removed with its wineserver when the leg ends.
prefix=$(mktemp -d "${TMPDIR:-/tmp}/tavrin-windows-leg.XXXXXX")
end_prefix() { WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true; rm -rf "$prefix"; }
trap end_prefix EXIT
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=
wineboot --init
wineserver -w

# The Qt libraries and mingw's runtime are found through WINEPATH rather than copied beside
# every test; the tests' folders hold only what the tests themselves put there.
windows_path() { winepath -w "$1" 2>/dev/null; }
mingw=x86_64-w64-mingw32-g++-posix
# Wine hands the host's QT_ variables to Windows programs only when they are spelt WINEQT_,
# so that a Linux desktop's Qt settings do not leak into them. This Qt carries no fonts:
# without some, text has no size and layouts collapse.
export WINEQT_QPA_PLATFORM=offscreen
export WINEQT_PLUGIN_PATH=$(windows_path "$qt/plugins")
export WINEQT_QPA_FONTDIR=$(windows_path /usr/share/fonts/truetype/dejavu)
# A hanging test function is named in its results rather than the program being killed.
export QTEST_FUNCTION_TIMEOUT=$(( (per_test_timeout - 60) * 1000 ))
export WINEPATH="$(windows_path "$qt/bin");$(windows_path "$(dirname "$($mingw -print-file-name=libstdc++-6.dll)")");$(windows_path "$(dirname "$($mingw -print-file-name=libwinpthread-1.dll)")")"

# Runs the tests one at a time: they share the prefix's registry, where Qt keeps settings.
# QtTest writes its results to a file, since Wine may lose a console program's output.
results=$build/windows-results
rm -rf "$results"
mkdir -p "$results"
failed=()
passed=0 skipped=0
mapfile -t tests < <(ctest --test-dir "$build" -N | sed -n 's/^ *Test *#[0-9]*: *//p')
# run_test NAME: runs it, leaving its results in $results/NAME.txt; its exit status.
run_test() {
    local exe=$build/tests/bin/$1/$1.exe
    (cd "$(dirname "$exe")" && timeout "$per_test_timeout" wine "$exe" \
        -o "$(windows_path "$results/$1.txt"),txt" >"$results/$1.console" 2>&1)
}
for name in "${tests[@]}"; do
    result=$results/$name.txt
    status=0
    run_test "$name" || status=$?
    # Wine's loopback sockets now and then miss a peer's reset under load: a program that
    # fails runs once more, and fails the leg only when it fails again. The first failure is kept.
    if [ "$status" -ne 0 ] || ! grep -aq '^Totals: [0-9]* passed, 0 failed' "$result" 2>/dev/null; then
        cp "$result" "$results/$name.first-run.txt" 2>/dev/null || true
        echo "again $name: it failed once" && grep -a -A3 '^FAIL!' "$result" | sed 's/^/      /' || true
        status=0
        run_test "$name" || status=$?
    fi
    totals=$(grep -a '^Totals:' "$result" 2>/dev/null || true)
    if [ -z "$totals" ]; then
        [ "$status" -eq 124 ] && why="did not finish in ${per_test_timeout}s" || why="ended with $status"
        echo "FAIL  $name: $why, no results"
        failed+=("$name")
        continue
    fi
    read -r p f s < <(echo "$totals" | sed -E 's/Totals: ([0-9]+) passed, ([0-9]+) failed, ([0-9]+) skipped.*/\1 \2 \3/')
    passed=$((passed + p)) skipped=$((skipped + s))
    if [ "$f" -ne 0 ] || [ "$status" -ne 0 ]; then
        echo "FAIL  $name: $totals"
        grep -a -A3 '^FAIL!' "$result" | sed 's/^/      /' || true
        failed+=("$name")
    else
        echo "ok    $name: $totals"
        grep -a '^SKIP' "$result" | sed 's/^/      /' || true
    fi
done

tested=$SECONDS
echo "Windows leg: $passed passed, $skipped skipped, ${#failed[@]} test programs failed;" \
     "built in $((built - started))s, tests ran in $((tested - built))s."
[ "${#failed[@]}" -eq 0 ] || { echo "Failed under Wine: ${failed[*]} (see $results)" >&2; exit 1; }

# The installer, installed and used as a trader would: nothing of the build's Qt is on the
# path from here on, so the installed folder must hold all that the programs load.
installer_fail() { echo "Windows installer: $*" >&2; exit 1; }
# What the tests left running (a console host whose program was stopped) would keep every
# later wait for the prefix's programs from ending: the installer starts from a quiet prefix.
wineserver -k 2>/dev/null || true
# Waits for the programs of the prefix (the uninstaller runs a copy of itself), but not for
# ever: what they should have done is checked after it.
settle() { timeout 120 wineserver -w || echo "Windows installer: Wine's programs still run after 120 s" >&2; }
unset WINEPATH WINEQT_PLUGIN_PATH WINEQT_QPA_PLATFORM

# A display of this run's own, so that the installed client opens real windows, drawn by
# Wine through X11 as on a trader's desktop. Wine's desktop process takes the display of the
# first program started, hence before the installer.
xvfb_log=$results/xvfb.log
Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp 3>"$results/display" 2>"$xvfb_log" &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; end_prefix' EXIT
for _ in $(seq 100); do [ -s "$results/display" ] && break; sleep 0.1; done
[ -s "$results/display" ] || installer_fail "the virtual display did not start: $(cat "$xvfb_log")"
export DISPLAY=:$(head -n 1 "$results/display")

version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
(cd "$build" && cpack -G NSIS -B "$build/installer" >/dev/null) || installer_fail "CPack could not build it"
installer=$build/installer/tavrinai-$version-win64.exe
# The same programs labelled as an older version, for the upgrade in place; packed quickly,
# since only this run installs it.
(cd "$build" && cpack -G NSIS -B "$build/installer-older" -D CPACK_PACKAGE_VERSION=0.9.0 -D CPACK_NSIS_COMPRESSOR=zlib \
     -D CPACK_PACKAGE_FILE_NAME=tavrinai-0.9.0-win64 >/dev/null) \
    || installer_fail "CPack could not build the older installer"
packaged=$SECONDS

bin=$prefix/drive_c/TavrinAI/bin
shortcut="$prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/TavrinAI Code Generator/TavrinAI Code Generator.lnk"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\TavrinAI'
appdata=$(winepath -u "$(wine cmd /c echo %APPDATA% 2>/dev/null | tr -d '\r')" 2>/dev/null)
settings_key='HKCU\Software\TavrinAI\TavrinAI'
trader_file=$appdata/TavrinAI/TavrinAI/versions/kept-across-installs.mq5
installed_version() { wine reg query "$uninstall_key" /v DisplayVersion 2>/dev/null | tr -d '\r' | awk '/DisplayVersion/ {print $3}'; }
trader_data_kept() {
    [ -f "$trader_file" ] || installer_fail "$1 removed the trader's data folder"
    wine reg query "$settings_key" /v keptAcrossInstalls 2>/dev/null | grep -q kept \
        || installer_fail "$1 removed the trader's settings"
}

# An older version in use, with the trader's settings and a program of theirs; the current
# installer then upgrades it in place.
wine "$build/installer-older/tavrinai-0.9.0-win64.exe" /S '/D=C:\TavrinAI'
settle
[ "$(installed_version)" = 0.9.0 ] || installer_fail "the older version did not install"
wine reg add "$settings_key" /v keptAcrossInstalls /d kept /f >/dev/null 2>&1
mkdir -p "$(dirname "$trader_file")"
echo '// a program of the trader' >"$trader_file"
wine "$installer" /S '/D=C:\TavrinAI'
settle
[ "$(installed_version)" = "$version" ] || installer_fail "the upgrade left version $(installed_version)"
trader_data_kept "the upgrade"
for file in TavrinAI.exe tavrin-server.exe tavrin-report.exe tavrin-backtest.exe Qt6Core.dll Qt6HttpServer.dll Qt6Charts.dll \
            Qt6OpenGL.dll Qt6OpenGLWidgets.dll libqt6keychain.dll libstdc++-6.dll \
            platforms/qwindows.dll styles/qwindowsvistastyle.dll tls/qschannelbackend.dll translations/qtbase_zh_CN.qm; do
    [ -f "$bin/$file" ] || installer_fail "bin\\$file was not installed"
done
[ -f "$shortcut" ] || installer_fail "no Start-menu shortcut"
wine reg query "$uninstall_key" /v DisplayIcon 2>/dev/null | grep -q 'C:\\TavrinAI\\bin\\TavrinAI.exe' \
    || installer_fail "no Add/Remove Programs entry with the application's icon"
x86_64-w64-mingw32-objdump -h "$bin/TavrinAI.exe" | grep -q '\.rsrc' || installer_fail "TavrinAI.exe has no icon resource"
# Explorer's Properties > Details: the version block's keys and values are UTF-16 strings.
for file in "$bin/TavrinAI.exe" "$bin/tavrin-server.exe" "$installer"; do
    texts=$(strings -el "$file")
    for text in CompanyName TavrinAI ProductName "TavrinAI Code Generator" FileVersion "$version"; do
        grep -qx "$text" <<<"$texts" || installer_fail "$(basename "$file") has no version block with $text"
    done
done

# A terminal laid out in the prefix as an installed MT5 leaves it, with the Windows stand-in
# compiler and tester, where Auto detect looks: below the profile's AppData.
terminal="$prefix/drive_c/Program Files/Demo Terminal 5"
data="$appdata/MetaQuotes/Terminal/8F1D4B6E2A9C7E0F5D3B1A8C6E4F2D09"
mkdir -p "$terminal/Tester" "$data/MQL5/Experts" "$data/MQL5/Indicators"
cp "$build/tools/fakemetaeditor/metaeditor.exe" "$terminal/MetaEditor64.exe"
cp "$build/tools/faketerminal/terminal64.exe" "$terminal/terminal64.exe"
touch "$terminal/metatester64.exe"
printf 'C:\\Program Files\\Demo Terminal 5\r\n' >"$data/origin.txt"

# A loopback port nobody serves, named in config.json, so that no service of this machine's
# is found there: the client must start its own.
refused() { ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
port=$(( 20000 + RANDOM % 20000 ))
while ! refused "$port"; do port=$(( 20000 + RANDOM % 20000 )); done
printf '{"api_base_url": "http://127.0.0.1:%s"}\n' "$port" >"$bin/config.json"
# The client's main window, found on the display by its title, as on Linux.
title='^TavrinAI Code Generator$'
main_window() { timeout "$1" xdotool search --sync --onlyvisible --name "$title" 2>/dev/null | head -n 1; }

# The installed TavrinAI.exe in a real window, under Wine's loader trace: it starts the
# installed service, and closing its window stops it. Every DLL the two load comes from the
# install folder or Windows itself, and every DLL shipped is loaded by one of them.
trace=$results/installed-loaddll.txt
(cd "$bin" && WINEDEBUG=+loaddll exec wine TavrinAI.exe >"$trace" 2>&1) &
client=$!
[ -n "$(main_window 30)" ] || installer_fail "the installed TavrinAI.exe opened no window titled as on Linux"
for _ in $(seq 100); do refused "$port" || break; sleep 0.1; done
refused "$port" && installer_fail "the installed TavrinAI.exe did not start tavrin-server.exe"
# Without /F, taskkill closes the window as its close button does.
wine taskkill /IM TavrinAI.exe >/dev/null 2>&1 || installer_fail "TavrinAI.exe was not running to be closed"
timeout 30 tail --pid="$client" -f /dev/null || installer_fail "TavrinAI.exe did not end when its window was closed"
for _ in $(seq 50); do refused "$port" && break; sleep 0.1; done
refused "$port" || installer_fail "the service still runs after the client's window closed"
settle
# The command-line tools for traders' scripts start from the install folder too, and end: each
# refuses what it is given with a line on standard error (help would be a message box here,
# with no console to print it to).
(cd "$bin" && WINEDEBUG=+loaddll timeout 60 wine tavrin-report.exe no-such-report.htm) >>"$trace" 2>&1 || true
(cd "$bin" && WINEDEBUG=+loaddll timeout 60 wine tavrin-backtest.exe --platform none) >>"$trace" 2>&1 || true
settle
sed -n 's/.*trace:loaddll:.* Loaded L"\([^"]*\)".*/\1/p' "$trace" | sed 's/\\\\/\\/g' | sort -uf >"$results/loaded.txt"
outside=$(grep -viE '^(C:\\windows\\|C:\\TavrinAI\\bin\\)' "$results/loaded.txt" || true)
[ -z "$outside" ] || installer_fail "loaded from outside the install folder and Windows: $outside"
# Every program and library in the install folder is loaded by them; Qt's catalogues beside
# them are no DLLs. The TLS backend is loaded by the service as it starts.
unloaded=()
while read -r file; do
    grep -qixF "C:\\TavrinAI\\bin\\${file//\//\\}" "$results/loaded.txt" || unloaded+=("$file")
done < <(cd "$bin" && find . -name '*.dll' -o -name '*.exe' | sed 's|^\./||' | sort)
[ ${#unloaded[@]} -eq 0 ] || installer_fail "shipped but never loaded: ${unloaded[*]}"

# The conversation in a real window, driven from the install folder: the client's start-up as
# in main, the installed service started by it, the program compiled and tested, the Code generator
# dialog opened, the language switched; closing the window stops the service. The driver
# saves its own picture when the compile has ended, then keeps the window up for the real one.
shot=$build/windows-installed-window.png
grab=$results/installed-conversation-grab.png
rm -f "$shot" "$grab"
cp "$build/bin/smokedriver.exe" "$qt/bin/Qt6Test.dll" "$bin/"
(cd "$bin" && exec timeout 180 wine smokedriver.exe --expect "The built-in code generator was started at" \
    --screenshot "$(windows_path "$grab")" --linger 5000 --menus >"$results/installed-conversation.txt" 2>&1) &
driver=$!
window=$(main_window 30)
[ -n "$window" ] || installer_fail "the conversation's window never appeared"
for _ in $(seq 900); do { [ -s "$grab" ] || ! kill -0 "$driver" 2>/dev/null; } && break; sleep 0.1; done
[ -s "$grab" ] && import -window "$window" "$shot" 2>>"$results/screenshot.log"
wait "$driver" || { cat "$results/installed-conversation.txt" >&2;
    installer_fail "the installed client did not complete its conversation"; }
[ -f "$data/MQL5/Experts/RSI Reversal.ex5" ] || installer_fail "no compiled program in the terminal"
[ -f "$data/reports/tavrin-backtest.htm" ] || installer_fail "no report of the program's backtest"
tr -d '\r' <"$results/installed-conversation.txt" | grep -qx 'style: windowsvista' || installer_fail "the window is not drawn in the windowsvista style"
refused "$port" || installer_fail "the service still runs after the client closed"
# A real window's picture has the text, frames and buttons: many colours, not one or two.
colours=$(identify -format '%k' "$shot" 2>/dev/null || echo 0)
[ "$colours" -ge 16 ] || installer_fail "the window's picture $shot is blank ($colours colours)"
rm "$bin/smokedriver.exe" "$bin/Qt6Test.dll" "$bin/config.json"
settle

# A silent uninstall removes the programs and keeps the trader's data.
wine "$prefix/drive_c/TavrinAI/Uninstall.exe" /S
settle
[ ! -e "$prefix/drive_c/TavrinAI" ] || installer_fail "the uninstaller left C:\\TavrinAI"
[ ! -e "$shortcut" ] || installer_fail "the uninstaller left the Start-menu shortcut"
! wine reg query "$uninstall_key" >/dev/null 2>&1 || installer_fail "the uninstaller left its registry entry"
trader_data_kept "the uninstaller"
echo "Windows installer: built (in $((packaged - tested))s), upgraded in place over 0.9.0 keeping the" \
     "trader's data, loader trace clean, conversation in a real window ($shot, $colours colours)," \
     "uninstalled keeping the trader's data; in $((SECONDS - tested))s."
