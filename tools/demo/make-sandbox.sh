#!/usr/bin/env bash
# Lays out two demo terminals, an MT4 and an MT5 one, each with the stand-in compiler and,
# when TERMINAL_PATH is given, the stand-in tester as its terminal program, and a home folder
# whose terminal root points at them, so that the client run with HOME=SANDBOX_DIR/home finds
# both by "Auto detect". Safe to run again: the program copies are refreshed, files in the MQL
# folders are kept.
set -euo pipefail

if [[ $# -ne 2 && $# -ne 3 ]]; then
    echo "usage: $0 SANDBOX_DIR METAEDITOR_PATH [TERMINAL_PATH]" >&2
    exit 2
fi
if [[ ! -f $2 ]]; then
    echo "$0: no compiler at '$2'" >&2
    exit 1
fi
if [[ $# -eq 3 && ! -f $3 ]]; then
    echo "$0: no stand-in terminal at '$3'" >&2
    exit 1
fi
mkdir -p "$1"
sandbox=$(realpath "$1")
metaeditor=$2
terminal=${3:-}

mt4_install="$sandbox/Program Files/Demo Terminal 4"
mt5_install="$sandbox/Program Files/Demo Terminal 5"
terminal_root="$sandbox/home/AppData/Roaming/MetaQuotes/Terminal"
mt4_data="$terminal_root/2C68BEF3A1E5D0C9B4F7A6E8D1C3B5A7"
mt5_data="$terminal_root/8F1D4B6E2A9C7E0F5D3B1A8C6E4F2D09"

# install_terminal FOLDER COMPILER TERMINAL ENTRY...: empty marker entries (folders when they
# end in "/") and fresh copies of the compiler and the tester under the names the terminal
# ships them with (the terminal an empty marker without a tester).
install_terminal() {
    local folder=$1 compiler=$2 terminal_name=$3
    shift 3
    mkdir -p "$folder"
    local entry
    for entry in "$@"; do
        if [[ $entry == */ ]]; then mkdir -p "$folder/$entry"; else touch "$folder/$entry"; fi
    done
    # New files rather than rewrites, so that a running copy is no obstacle.
    cp --remove-destination --preserve=mode "$metaeditor" "$folder/$compiler"
    if [[ -n $terminal ]]; then
        cp --remove-destination --preserve=mode "$terminal" "$folder/$terminal_name"
    elif [[ ! -e $folder/$terminal_name ]]; then
        touch "$folder/$terminal_name"
    fi
}

# make_data_folder FOLDER MQL_DIR
make_data_folder() {
    mkdir -p "$1/$2/Indicators" "$1/$2/Experts"
}

# MT4 is a 32-bit program; a current MT5 ships only 64-bit ones.
install_terminal "$mt4_install" metaeditor.exe terminal.exe
install_terminal "$mt5_install" MetaEditor64.exe terminal64.exe metatester64.exe Tester/

make_data_folder "$mt4_data" MQL4
make_data_folder "$mt5_data" MQL5
# The terminals write origin.txt in different encodings; the client reads both.
printf '%s\r\n' "$mt4_install" >"$mt4_data/origin.txt"
{
    printf '\xff\xfe'
    printf '%s\r\n' "$mt5_install" | iconv -f UTF-8 -t UTF-16LE
} >"$mt5_data/origin.txt"

cat <<REPORT
MT4 installation: $mt4_install
MT4 data folder:  $mt4_data
MT5 installation: $mt5_install
MT5 data folder:  $mt5_data
Demo home:        $sandbox/home
Run the client with HOME="$sandbox/home" to find both terminals.
REPORT
