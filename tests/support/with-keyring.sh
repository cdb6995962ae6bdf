#!/bin/sh
# Runs a test program with a credential store of its own: a private D-Bus session with a
# Secret Service whose keyrings live in a throw-away folder, removed afterwards.
#   with-keyring.sh PROGRAM [ARGUMENTS...]
set -eu
home=$(mktemp -d "${TMPDIR:-/tmp}/tavrin-keyring.XXXXXX")
trap 'rm -rf "$home"' EXIT
mkdir -m 700 "$home/run"
status=0
HOME=$home XDG_DATA_HOME=$home/data XDG_RUNTIME_DIR=$home/run dbus-run-session -- sh -c \
    'printf tavrin | gnome-keyring-daemon --unlock --components=secrets >/dev/null && "$@"' sh "$@" || status=$?
exit "$status"
