# shellcheck shell=bash
# Shared by install_test.sh and package_test.sh: counting checks, optional tools
# and the look of an installed tree. Sourced, not run.

failures=0
checks=0
skipped=()

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

check() { # check DESCRIPTION COMMAND...: passes when the command succeeds
    local what=$1
    shift
    checks=$((checks + 1))
    "$@" || fail "$what"
}

# have TOOL PACKAGE: true when TOOL is there; otherwise notes the skipped check,
# which turns the whole test into "skipped" at the end, never a silent pass.
have() {
    if command -v "$1" >/dev/null 2>&1; then
        return 0
    fi
    skipped+=("$1 (Debian package $2) is not installed")
    return 1
}

# png_size FILE: "WIDTHxHEIGHT" from the PNG header, empty if it is no PNG.
png_size() {
    local signature
    signature=$(od -An -tx1 -N8 "$1" 2>/dev/null | tr -d ' \n')
    [ "$signature" = 89504e470d0a1a0a ] || return 0
    local w h
    w=$(od -An -tu1 -j16 -N4 "$1" | awk '{print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4}')
    h=$(od -An -tu1 -j20 -N4 "$1" | awk '{print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4}')
    echo "${w}x${h}"
}

ICON_SIZES="16 32 48 64 128 256"

# check_tree ROOT_PREFIX APP_ID: the files a desktop needs, below ROOT_PREFIX
# (the install prefix, e.g. .../usr).
check_tree() {
    local prefix=$1 id=$2
    local program
    for program in fapkalk fapkalk-cli; do
        check "bin/$program is an executable file" test -f "$prefix/bin/$program" -a -x "$prefix/bin/$program"
    done
    check "bash completion" test -f "$prefix/share/bash-completion/completions/fapkalk-cli"
    check "zsh completion" test -f "$prefix/share/zsh/vendor-completions/_fapkalk-cli"
    check "desktop file" test -f "$prefix/share/applications/$id.desktop"
    check "metainfo" test -f "$prefix/share/metainfo/$id.metainfo.xml"
    check "scalable icon" test -f "$prefix/share/icons/hicolor/scalable/apps/$id.svg"
    check "scalable icon is an SVG" grep -q "<svg" "$prefix/share/icons/hicolor/scalable/apps/$id.svg"
    local size png
    for size in $ICON_SIZES; do
        png="$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png"
        checks=$((checks + 1))
        if [ ! -f "$png" ]; then
            fail "icon ${size}x${size} missing"
        elif [ "$(png_size "$png")" != "${size}x${size}" ]; then
            fail "icon ${size}x${size} is '$(png_size "$png")'"
        fi
    done
    local page
    for page in fapkalk fapkalk-cli; do
        check "manual page $page(1)" test -f "$prefix/share/man/man1/$page.1.gz"
        check "manual page $page(1) is gzip" gzip -t "$prefix/share/man/man1/$page.1.gz"
    done
    check "copyright file" test -f "$prefix/share/doc/fapkalk/copyright"
    check "changelog" test -f "$prefix/share/doc/fapkalk/changelog.gz"
    # Nothing but what the package means to ship (no libraries, headers, tests).
    local extra
    extra=$(cd "$prefix" && find . -type f ! -path './bin/fapkalk' ! -path './bin/fapkalk-cli' \
        ! -path './libexec/fapkalk/fapkalk-cli-pdf' \
        ! -path "./share/applications/$id.desktop" ! -path "./share/metainfo/$id.metainfo.xml" \
        ! -path "./share/icons/hicolor/*/apps/$id.*" ! -path './share/man/man1/fapkalk.1.gz' \
        ! -path './share/man/man1/fapkalk-cli.1.gz' ! -path './share/doc/fapkalk/copyright' \
        ! -path './share/doc/fapkalk/changelog.gz' ! -path './share/lintian/overrides/fapkalk' \
        ! -path './share/bash-completion/completions/fapkalk-cli' \
        ! -path './share/zsh/vendor-completions/_fapkalk-cli')
    check "no other files installed: $extra" test -z "$extra"
}

# check_docs PREFIX VERSION LICENSE_FILE: the copyright file and the changelog
# as Debian wants them for a native package.
check_docs() {
    local doc=$1/share/doc/fapkalk version=$2 license=$3
    local copyright=$doc/copyright
    check "copyright in Debian's machine-readable format" \
        grep -qx "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" "$copyright"
    # Paragraphs are separated by blank lines (awk's paragraph mode, RS=).
    check "copyright: every file under the Expat licence" grep -q . \
        <(awk -v RS= '/^Files: \*\n/ && /\nLicense: Expat$/' "$copyright")
    # The licence paragraph holds LICENSE's text below its copyright line.
    check "copyright holds the licence text of LICENSE" cmp -s \
        <(awk -v RS= '/^License: Expat\n/' "$copyright" | tail -n +2 | sed 's/^ //; s/^\.$//') \
        <(sed '1,/^Copyright /d' "$license" | sed '1{/^$/d}')
    check "copyright names the same holder as LICENSE" \
        grep -qx "Copyright: $(sed -n 's/^Copyright (c) //p' "$license")" "$copyright"
    local changelog
    changelog=$(gzip -dc "$doc/changelog.gz")
    check "changelog starts with version $version" grep -q "^fapkalk ($version) " <<<"$changelog"
    check "changelog compressed at the highest level (gzip -9)" \
        test "$(od -An -tu1 -j8 -N1 "$doc/changelog.gz" | tr -d ' ')" = 2
    check "a native package has no changelog.Debian.gz" test ! -e "$doc/changelog.Debian.gz"
    if have dpkg-parsechangelog dpkg-dev; then
        check "dpkg-parsechangelog reads version $version" \
            test "$(dpkg-parsechangelog -l- -SVersion <<<"$changelog" 2>&1)" = "$version"
    fi
}

# check_help PREFIX: fapkalk --help without any display, and its manual page
# documents every parameter that --help lists.
check_help() {
    local prefix=$1 out rc
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$prefix/bin/fapkalk" --help 2>&1)
    rc=$?
    check "fapkalk --help exits 0 without a display (got $rc): $(head -c 300 <<<"$out")" test "$rc" -eq 0
    local parameters
    parameters=$(grep -oE -- '^  (/[a-z?]+:?|-h, --help|--[a-z]+)' <<<"$out" | sed 's/^  //; s/, /\n/' | sort -u)
    check "fapkalk --help lists /noini, /inidest:, /?, -h, --help, --version" \
        test "$(tr '\n' ' ' <<<"$parameters")" = "--help --version -h /? /inidest: /noini "
    if have groff groff-base; then
        local man=$prefix/share/man/man1/fapkalk.1.gz warnings page parameter section
        warnings=$(gzip -dc "$man" | groff -man -Tutf8 -wall -z 2>&1)
        check "groff renders fapkalk(1) without warnings: $warnings" test -z "$warnings"
        page=$(gzip -dc "$man" | groff -man -Tascii -P-cbou 2>/dev/null)
        while read -r parameter; do
            check "fapkalk(1) documents $parameter" grep -qF -- "$parameter" <<<"$page"
        done <<<"$parameters"
        # shellcheck disable=SC2088 # the page shows the tilde itself
        check "fapkalk(1) names the settings file" grep -qF '~/.config/fapkalk/kalvor.ini' <<<"$page"
        for section in formpara detform; do
            check "fapkalk(1) names the section [$section]" grep -qF "[$section]" <<<"$page"
        done
    fi
}

# check_versions PREFIX VERSION: both programs answer --version with the
# project's version; the window program without any display.
check_versions() {
    local prefix=$1 version=$2 out rc
    out=$("$prefix/bin/fapkalk-cli" --version)
    rc=$?
    check "fapkalk-cli --version exits 0 (got $rc)" test "$rc" -eq 0
    check "fapkalk-cli --version says '$(head -1 <<<"$out")'" test "$(head -1 <<<"$out")" = "fapkalk-cli $version"
    local cli_rest gui
    cli_rest=$(tail -n +2 <<<"$out")
    # No display and the X11 platform forced: creating QApplication would abort.
    gui=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$prefix/bin/fapkalk" --version 2>&1)
    rc=$?
    check "fapkalk --version exits 0 without a display (got $rc): $gui" test "$rc" -eq 0
    check "fapkalk --version says '$(head -1 <<<"$gui")'" test "$(head -1 <<<"$gui")" = "fapkalk $version"
    check "both programs print the same copyright" test "$(tail -n +2 <<<"$gui")" = "$cli_rest"
    if [ -e /dev/full ]; then
        env -u DISPLAY QT_QPA_PLATFORM=xcb "$prefix/bin/fapkalk" --version >/dev/full 2>/dev/null
        rc=$?
        check "fapkalk --version into a full disk fails (got $rc)" test "$rc" -ne 0
    fi
}

# finish: the verdict for ctest (77 = skipped, see SKIP_RETURN_CODE).
finish() {
    echo "$checks checks, $failures failed"
    if [ "$failures" -ne 0 ]; then
        exit 1
    fi
    if [ ${#skipped[@]} -ne 0 ]; then
        printf 'SKIPPED: %s\n' "${skipped[@]}"
        echo "Install the missing packages (scripts/install-deps) for the full test."
        exit 77
    fi
    exit 0
}
