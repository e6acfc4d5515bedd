#!/usr/bin/env bash
# lintian on a built package, as a Debian developer would run it before an
# upload: no error, no warning and no pedantic remark may remain; with
# --hardened (the package of `make package`), no binary may lack Debian's
# hardening either (those tags are only informational to lintian).
# Usage: lint_deb.sh [--hardened] DEB
# Exit: 0 clean, 1 remarks (printed), 77 lintian not installed.
set -u

hardened=false
if [ "${1:-}" = --hardened ]; then
    hardened=true
    shift
fi
DEB=${1:?package file}

if ! command -v lintian >/dev/null 2>&1; then
    echo "SKIPPED: lintian (Debian package lintian) is not installed"
    exit 77
fi
# Every remark is judged here (--fail-on none), so a non-zero exit is lintian
# itself failing. It warns when it runs as root: no remark on the package.
out=$(lintian --fail-on none --pedantic --display-info --show-overrides "$DEB" 2>&1)
rc=$?
out=$(grep -v '^running with root privileges is not recommended!$' <<<"$out")
if [ $rc -ne 0 ]; then
    echo "lintian failed (exit $rc): $out" >&2
    exit 1
fi
status=0
remarks=$(grep -E '^[EWP]: ' <<<"$out")
if [ -n "$remarks" ]; then
    echo "lintian --pedantic reports:" >&2
    echo "$remarks" >&2
    status=1
fi
if $hardened; then
    unhardened=$(grep -E '^I: [^ ]+ hardening-' <<<"$out")
    if [ -n "$unhardened" ]; then
        echo "lintian: programs without Debian's hardening:" >&2
        echo "$unhardened" >&2
        status=1
    fi
fi
if [ $status -eq 0 ]; then
    echo "lintian --pedantic$($hardened && echo " (hardening included)"): no remarks on $(basename "$DEB")"
    [ -n "$out" ] && echo "$out"
fi
exit $status
