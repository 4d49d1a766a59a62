#!/usr/bin/env bash
# Runs tests/accessibility.py against the reader on an accessibility bus of
# this session's own, with assistive technology reported as active (as a
# screen reader reports it). Run inside dbus-run-session and an X server.
#   accessibility.sh READER SAMPLE_WORKS SOBRANIE_PACK
# The reader runs from a copy of its program folder with one long work more.
set -euo pipefail
enable() {
  dbus-send --session --dest=org.a11y.Bus --print-reply /org/a11y/bus org.freedesktop.DBus.Properties.Set \
    string:org.a11y.Status string:IsEnabled variant:boolean:true >/dev/null
}
enable
# What the reader keeps from run to run goes nowhere another run sees.
XDG_STATE_HOME=$(mktemp -d)
export XDG_STATE_HOME
program=$(mktemp -d)
trap 'rm -rf "$XDG_STATE_HOME" "$program"' EXIT
cp -r "$(dirname "$1")/." "$program"
for i in $(seq 1 300); do
  echo "Строка $i. Съешь же ещё этих мягких французских булок, да выпей же чаю, пока не остыл."
done | "$3" encode --seed 7 - "$program/Data/Я длинная.dat"
# The system's Python, which has the AT-SPI bindings.
/usr/bin/python3 "$(dirname "$0")/accessibility.py" "$program/$(basename "$1")" "$2"
