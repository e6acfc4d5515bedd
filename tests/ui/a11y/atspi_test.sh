#!/usr/bin/env bash
# The window as a screen-reader user meets it: on its own X server and session
# bus, read through AT-SPI (Qt's bridge, as Orca reads it) and typed into
# through the X server. Exit 77 (skipped) where the pieces are not installed.
# Usage: atspi_test.sh <fapkalk> <fapkalk-cli>
set -u

skip() {
    echo "SKIP: $1 is not installed (scripts/install-deps installs it)"
    exit 77
}
command -v xvfb-run >/dev/null || skip "xvfb-run (xvfb)"
command -v dbus-run-session >/dev/null || skip "dbus-run-session (dbus)"
command -v xdotool >/dev/null || skip "xdotool"
[ -x /usr/libexec/at-spi-bus-launcher ] || skip "at-spi-bus-launcher (at-spi2-core)"
# pyatspi is a Debian package for the system's Python, not for any other one on PATH.
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || skip "pyatspi for /usr/bin/python3 (python3-pyatspi)"

exec xvfb-run -a -s '-screen 0 1280x1024x24' \
    dbus-run-session -- /usr/bin/python3 "$(dirname "$0")/atspi_check.py" "$1" "$2"
