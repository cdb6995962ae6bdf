#!/usr/bin/env bash
# Compiles every source of the client for Windows, syntax only, with mingw-w64 against this
# system's Qt headers, so that the Q_OS_WIN branches at least compile here. Qt's Linux headers
# declare some friends dllimport twice; mingw's warning about that is silenced.
#   check-windows-syntax.sh BUILD_DIR   (BUILD_DIR holds the generated form header)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?usage: $0 BUILD_DIR}
compiler=$(command -v x86_64-w64-mingw32-g++-posix || command -v x86_64-w64-mingw32-g++)
qt=$(qmake6 -query QT_INSTALL_HEADERS 2>/dev/null || echo /usr/include/x86_64-linux-gnu/qt6)

flags=(-std=c++17 -fsyntax-only -Wall -Wextra -Werror -Wno-attributes -DQT_NO_CONTEXTLESS_CONNECT
       -I"$qt" -I"$qt/QtCore" -I"$qt/QtGui" -I"$qt/QtWidgets" -I"$qt/QtNetwork" -I"$qt/QtCharts"
       -I"$root" -I"$root/mqlcheck" -I"$build/tavrin_gui_autogen/include" -I"$build/generated")
# QtKeychain's headers live in /usr/include, which must not be on a Windows compiler's path.
keychain=$(mktemp -d)
trap 'rm -rf "$keychain"' EXIT
ln -s /usr/include/qt6keychain "$keychain/qt6keychain"
flags+=(-I"$keychain")
cd "$root"
mapfile -t sources < <(git ls-files -- app ui widgets client platform report tools/tavrinreport mqlcheck | grep -E '\.cpp$')
failed=0
for source in "${sources[@]}"; do
    "$compiler" "${flags[@]}" "$source" || { echo "Windows syntax check failed: $source" >&2; failed=1; }
done
[ "$failed" -eq 0 ] && echo "Windows syntax check: ${#sources[@]} sources compile for Windows"
exit "$failed"
