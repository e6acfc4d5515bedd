#!/usr/bin/env bash
# `cmake --install` into a fresh prefix, then what a desktop and a user find
# there: programs, menu entry, metainfo, icons, manual page, --version.
# Usage: install_test.sh CMAKE BUILD_DIR VERSION APP_ID BUILD_TREE_FAPKALK_CLI
set -u

CMAKE=${1:?cmake} BUILD=${2:?build dir} VERSION=${3:?version} ID=${4:?app id} BUILT_CLI=${5:?fapkalk-cli}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export LC_ALL=C.UTF-8 HOME=$WORK/home
mkdir -p "$HOME"
# shellcheck source=tests/package/package_checks.sh
. "$(dirname "$0")/package_checks.sh"

PREFIX=$WORK/prefix
if ! "$CMAKE" --install "$BUILD" --prefix "$PREFIX" >"$WORK/install.log" 2>&1; then
    cat "$WORK/install.log" >&2
    fail "cmake --install"
    finish
fi

check_tree "$PREFIX" "$ID"
check_docs "$PREFIX" "$VERSION" "$(dirname "$0")/../../LICENSE"
check_versions "$PREFIX" "$VERSION"
check_help "$PREFIX"

# The installed tool computes what the built one does.
for args in "price 10" "price 12,5 --narcotic --vat 20" "range 1 3 0.5 --format xls"; do
    # shellcheck disable=SC2086 # the arguments are meant to split
    check "installed fapkalk-cli $args" cmp -s <("$BUILT_CLI" $args 2>&1) <("$PREFIX/bin/fapkalk-cli" $args 2>&1)
done
# The PDF program is found in libexec.
"$PREFIX/bin/fapkalk-cli" price 10 --format pdf -o "$PREFIX/t.pdf"
check "installed fapkalk-cli writes a PDF" test "$(head -c 5 "$PREFIX/t.pdf" 2>/dev/null)" = "%PDF-"
rm -f "$PREFIX/t.pdf"

# Shell completion: where bash-completion and zsh look; bash's completes
# commands, switches and --format values; both know every switch of --help.
BASH_COMPLETION=$PREFIX/share/bash-completion/completions/fapkalk-cli
ZSH_COMPLETION=$PREFIX/share/zsh/vendor-completions/_fapkalk-cli
check "zsh completion starts with #compdef" grep -qx "#compdef fapkalk-cli" "$ZSH_COMPLETION"
completions() { # completions WORD...: what bash offers for the last word
    bash -c '. "$0" && COMP_WORDS=("$@") && COMP_CWORD=$(($# - 1)) && _fapkalk_cli &&
        echo "${COMPREPLY[*]}"' "$BASH_COMPLETION" fapkalk-cli "$@"
}
while IFS='|' read -r words expected; do
    # shellcheck disable=SC2206 # the words are meant to split
    list=($words)
    # A line ending in a blank (or empty) completes a new, empty word.
    [[ $words == *" " || -z $words ]] && list+=("")
    actual=$(completions "${list[@]}")
    check "bash completes '$words' to '$expected', not '$actual'" test "$actual" = "$expected"
done <<'CASES'
ra|range
price 10 --format |text fixed xls csv json pdf
range 1 2 1 --format |fixed xls csv json pdf
range --max|--max-rows
batch --he|--help --header
price --ex|--explain
|price range batch reverse --help --version
reverse |aep kp avp
reverse avp 26 --format |text json
CASES
options=$("$PREFIX/bin/fapkalk-cli" --help | grep -oE -- '(^ +|, |\[|\| )--[a-z][a-z-]*' | grep -oE -- '--[a-z][a-z-]*' | sort -u)
for option in $options; do
    check "bash completion knows $option" grep -q -- "$option\b" "$BASH_COMPLETION"
    check "zsh completion knows $option" grep -q -- "$option\b" "$ZSH_COMPLETION"
done

# Desktop file: names the icon and a program that was installed.
DESKTOP=$PREFIX/share/applications/$ID.desktop
check "desktop file: Icon=$ID" grep -qx "Icon=$ID" "$DESKTOP"
exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$DESKTOP")
check "desktop file: Exec '$exec_program' is installed" test -x "$PREFIX/bin/$exec_program"
check "desktop file: Office and Finance" grep -qx "Categories=Office;Finance;" "$DESKTOP"
check "desktop file: German name" grep -q "^Name=FAP-Kalkulation$" "$DESKTOP"
if have desktop-file-validate desktop-file-utils; then
    check "desktop-file-validate: $(desktop-file-validate "$DESKTOP" 2>&1)" desktop-file-validate "$DESKTOP"
fi

# Metainfo: the same id everywhere, the project's version as newest release.
META=$PREFIX/share/metainfo/$ID.metainfo.xml
check "metainfo: <id>$ID</id>" grep -q "<id>$ID</id>" "$META"
check "metainfo: launchable $ID.desktop" grep -q "<launchable type=\"desktop-id\">$ID.desktop</launchable>" "$META"
check "metainfo: release $VERSION" grep -q "<release version=\"$VERSION\"" "$META"
if have appstreamcli appstream; then
    out=$(appstreamcli validate --no-net "$META" 2>&1)
    rc=$?
    check "appstreamcli validate --no-net (exit $rc): $out" test "$rc" -eq 0
fi

# Manual page: renders without a warning, names the version, and documents
# every option that fapkalk-cli --help lists.
MAN=$PREFIX/share/man/man1/fapkalk-cli.1.gz
check "manual page names version $VERSION" grep -q "^\.TH FAPKALK-CLI 1 .*\"fapkalk $VERSION\"" <(gzip -dc "$MAN")
if have groff groff-base; then
    warnings=$(gzip -dc "$MAN" | groff -man -Tutf8 -wall -z 2>&1)
    check "groff renders the manual page without warnings: $warnings" test -z "$warnings"
    page=$(gzip -dc "$MAN" | groff -man -Tascii -P-cbou 2>/dev/null)
    options=$("$PREFIX/bin/fapkalk-cli" --help | grep -oE -- '(^ +|, |\[|\| )--?[a-z][a-z-]*' | grep -oE -- '--?[a-z][a-z-]*' | sort -u)
    check "fapkalk-cli --help lists options" test -n "$options"
    for option in $options; do
        check "manual page documents $option" grep -qE -- "(^|[^a-z-])$option([^a-z-]|\$)" <<<"$page"
    done
    for command in price range batch reverse; do
        check "manual page documents the command $command" grep -qE "^ +$command( |\$)" <<<"$page"
    done
fi

finish
