#!/usr/bin/env bash
# The Debian package as `make package` builds it: cpack on this build tree into
# a scratch folder, then its control fields (the computed Depends above all),
# its contents, copyright and changelog, one maintainer and homepage
# everywhere, the programs started from the unpacked tree, and lintian.
# Usage: package_test.sh CPACK BUILD_DIR VERSION APP_ID BUILD_TREE_FAPKALK_CLI
set -u

CPACK=${1:?cpack} BUILD=${2:?build dir} VERSION=${3:?version} ID=${4:?app id} BUILT_CLI=${5:?fapkalk-cli}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export LC_ALL=C.UTF-8 HOME=$WORK/home
mkdir -p "$HOME"
# shellcheck source=tests/package/package_checks.sh
. "$(dirname "$0")/package_checks.sh"

for tool in dpkg-deb dpkg-shlibdeps; do
    if ! command -v $tool >/dev/null 2>&1; then
        echo "SKIPPED: $tool (Debian package dpkg-dev) is not installed"
        exit 77
    fi
done

started=$(date +%s)
if ! "$CPACK" -G DEB --config "$BUILD/CPackConfig.cmake" -B "$WORK/out" >"$WORK/cpack.log" 2>&1; then
    cat "$WORK/cpack.log" >&2
    fail "cpack -G DEB"
    finish
fi
echo "cpack took $(($(date +%s) - started)) s"

arch=$(dpkg --print-architecture)
DEB=$WORK/out/fapkalk_${VERSION}_${arch}.deb
check "package file $(basename "$DEB") (found: $(cd "$WORK/out" && ls -- *.deb 2>/dev/null))" test -f "$DEB"
[ -f "$DEB" ] || finish

field() { dpkg-deb -f "$DEB" "$1"; }
check "Package: fapkalk" test "$(field Package)" = fapkalk
check "Version: $(field Version)" test "$(field Version)" = "$VERSION"
check "Architecture: $(field Architecture)" test "$(field Architecture)" = "$arch"
check "Maintainer is set" test -n "$(field Maintainer)"
check "Description is set" test -n "$(field Description)"

# Depends comes from dpkg-shlibdeps: the Qt libraries the programs link and
# the C library, each with a lowest version.
DEPENDS=$(field Depends)
echo "Depends: $DEPENDS"
for package in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6; do
    check "Depends names $package with a version" grep -qE "(^|, )${package//+/\\+}(:any)? \\(>= [^)]+\\)" <<<"$DEPENDS"
done
# The fonts the layout is measured with come along; Qt's translations are
# recommended.
check "Depends names fonts-liberation" grep -qE "(^|, )fonts-liberation(,|\$)" <<<"$DEPENDS"
check "Recommends: qt6-translations-l10n (got '$(field Recommends)')" \
    test "$(field Recommends)" = qt6-translations-l10n
# Every dependency exists on this system, which these programs run on.
for package in $(tr ',|' '\n' <<<"$DEPENDS" | sed 's/(.*)//; s/:any//; s/ //g' | sort -u); do
    check "dependency $package is a known package" dpkg-query -W "$package" >/dev/null 2>&1
done

# Contents: unpack as dpkg would and look at it like an installed system.
ROOT=$WORK/root
dpkg -x "$DEB" "$ROOT"
check_tree "$ROOT/usr" "$ID"
check_docs "$ROOT/usr" "$VERSION" "$(dirname "$0")/../../LICENSE"
check_versions "$ROOT/usr" "$VERSION"
check_help "$ROOT/usr"

# One maintainer and one homepage everywhere the package names them.
MAINTAINER=$(field Maintainer)
HOMEPAGE=$(field Homepage)
check "Maintainer '$MAINTAINER' is 'Name <e-mail>'" grep -qE '^[^<>]+ <[^<> ]+@[^<> ]+>$' <<<"$MAINTAINER"
check "Homepage '$HOMEPAGE' is an address" grep -qE '^https?://' <<<"$HOMEPAGE"
check "changelog trailer by the Maintainer" \
    grep -qF -- " -- $MAINTAINER  " <(gzip -dc "$ROOT/usr/share/doc/fapkalk/changelog.gz" | grep -m1 '^ -- ')
check "copyright's Upstream-Contact is the Maintainer" \
    grep -qxF "Upstream-Contact: $MAINTAINER" "$ROOT/usr/share/doc/fapkalk/copyright"
check "copyright's Source is the Homepage" grep -qxF "Source: $HOMEPAGE" "$ROOT/usr/share/doc/fapkalk/copyright"
check "metainfo's homepage is the Homepage" \
    grep -qF "<url type=\"homepage\">$HOMEPAGE</url>" "$ROOT/usr/share/metainfo/$ID.metainfo.xml"
MAIL=${MAINTAINER##*<}
MAIL=${MAIL%>}
check "metainfo's update contact is the Maintainer's address" \
    grep -qF "<update_contact>$MAIL</update_contact>" "$ROOT/usr/share/metainfo/$ID.metainfo.xml"

# lintian as before an upload. The hardening is judged only where this build
# tree was made with Debian's flags, as `make package` makes its own; the
# test tree is a sanitizer build without them.
lint_args=()
if grep -q '^CMAKE_EXE_LINKER_FLAGS:.*-z,now' "$BUILD/CMakeCache.txt"; then
    lint_args=(--hardened)
fi
bash "$(dirname "$0")/lint_deb.sh" "${lint_args[@]}" "$DEB"
rc=$?
if [ $rc -eq 77 ]; then
    skipped+=("lintian (Debian package lintian) is not installed")
else
    check "lintian --pedantic has no remarks (exit $rc)" test "$rc" -eq 0
fi
check "installed files belong to root" test -z "$(dpkg-deb -c "$DEB" | awk '$2 != "root/root"')"
check "unpacked fapkalk-cli price 10" cmp -s <("$BUILT_CLI" price 10 2>&1) <("$ROOT/usr/bin/fapkalk-cli" price 10 2>&1)

# The window comes up from the unpacked tree (offscreen) and keeps running
# until it is stopped: 124 is timeout's "still running at the end".
env QT_QPA_PLATFORM=offscreen timeout 3 "$ROOT/usr/bin/fapkalk" /noini >"$WORK/window.log" 2>&1
rc=$?
check "window runs from the unpacked package (exit $rc: $(head -c 400 "$WORK/window.log"))" test "$rc" -eq 124

finish
