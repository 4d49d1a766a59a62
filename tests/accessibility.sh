#!/usr/bin/env bash
# Runs tests/accessibility.py against the reader on an accessibility bus of
# this session's own, with assistive technology reported as active (as a
# screen reader reports it). Run inside dbus-run-session and an X server.
#   accessibility.sh READER SAMPLE_WORKS
set -euo pipefail
enable() {
  dbus-send --session --dest=org.a11y.Bus --print-reply /org/a11y/bus org.freedesktop.DBus.Properties.Set \
    string:org.a11y.Status string:IsEnabled variant:boolean:true >/dev/null
}
enable
# What the reader keeps from run to run goes nowhere another run sees.
XDG_STATE_HOME=$(mktemp -d)
export XDG_STATE_HOME
trap 'rm -rf "$XDG_STATE_HOME"' EXIT
# The system's Python, which has the AT-SPI bindings.
/usr/bin/python3 "$(dirname "$0")/accessibility.py" "$@"
