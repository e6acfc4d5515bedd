#!/usr/bin/env bash
# fapkalk-cli --format pdf read back as a user reads the paper: the rows
# against the tool's own CSV, the header block, the headings and page numbers
# on every page, the calculation sheet, and no file where the PDF failed.
# Usage: pdf_test.sh PATH_TO_fapkalk-cli
set -u

CLI=${1:?path to fapkalk-cli}
command -v pdftotext >/dev/null && command -v pdfinfo >/dev/null || {
    echo "poppler-utils missing" >&2
    exit 77
}
WORK=$(mktemp -d)
trap 'chmod -R u+w "$WORK"; rm -rf "$WORK"' EXIT
export LC_ALL=C TZ=UTC SOURCE_DATE_EPOCH=1796652309 # 07.12.2026 14:05:09
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# The amounts of every row on the pages, as CSV lines.
pdf_rows() {
    pdftotext -layout "$1" - | awk '
        function amount(s) { return s ~ /^-?[0-9]+\.[0-9][0-9]$/ }
        NF == 4 && amount($1) && amount($2) && amount($3) && amount($4) {
            print $1 "," $2 "," $3 "," $4 }'
}

# Rows, page count, headings and page numbers of a range against the CSV.
check_table() { # NAME ARGS...
    local name=$1
    shift
    "$CLI" range "$@" --format pdf -o "$WORK/t.pdf" 2>"$WORK/err" || fail "$name: exit $?: $(cat "$WORK/err")"
    "$CLI" range "$@" --format csv | tail -n +2 >"$WORK/expected"
    pdf_rows "$WORK/t.pdf" >"$WORK/actual"
    cmp -s "$WORK/expected" "$WORK/actual" ||
        fail "$name: rows differ: $(diff "$WORK/expected" "$WORK/actual" | head -5)"
    local pages
    pages=$(pdfinfo "$WORK/t.pdf" | awk '/^Pages:/ { print $2 }')
    local n
    for n in $(seq 1 "$pages"); do
        pdftotext -layout -f "$n" -l "$n" "$WORK/t.pdf" "$WORK/page"
        grep -qE '^ *FAP +AEP +KP +AVP *$' "$WORK/page" || fail "$name: no headings on page $n"
        grep -qF "Seite $n von $pages" "$WORK/page" || fail "$name: no \"Seite $n von $pages\""
        grep -qF "Erstellt: 07.12.2026 14:05:09" "$WORK/page" || fail "$name: no moment on page $n"
    done
    [ -z "$(ls -A "$WORK" | grep -v -e '^t.pdf$' -e '^err$' -e '^expected$' -e '^actual$' -e '^page$')" ] ||
        fail "$name: files left: $(ls -A "$WORK")"
}

# name | arguments
while IFS='|' read -r name args; do
    # shellcheck disable=SC2086
    check_table "$name" $args
done <<'CASES'
one page|1 10 0.5
many pages|0.01 30 0.01
switches and VAT|5 400 1.25 --narcotic --vat 20
homeopathic, not reimbursable|1 80 0.35 --homeopathic
CASES

# The header block on the first page, each line once.
"$CLI" range 1 10 0,5 --narcotic --veterinary --vat 13 --format pdf -o "$WORK/h.pdf"
pdftotext -layout -l 1 "$WORK/h.pdf" "$WORK/head"
while IFS= read -r line; do
    [ "$(grep -cE "^ *$line *\$" "$WORK/head")" = 1 ] || fail "header: \"$line\" not on page 1"
done <<'LINES'
Preistabelle
Basis: FAP +von: 1 +bis: 10 +Staffel: 0.5
Kalkulationsmodus: Standardberechnung
Kennzeichen: Suchtgift, Veterinaria
USt-Satz: 13 %
Tarif: Arzneitaxe 2012
Erstellt: 07.12.2026 14:05:09
LINES

# A batch: the prices of the list, in its order.
printf '12.5\n3\n\n1000\n' >"$WORK/list"
"$CLI" batch "$WORK/list" --format pdf -o "$WORK/b.pdf" || fail "batch: exit $?"
"$CLI" batch "$WORK/list" --format csv | tail -n +2 >"$WORK/expected"
pdf_rows "$WORK/b.pdf" | cmp -s "$WORK/expected" - || fail "batch: rows differ"
pdftotext -layout "$WORK/b.pdf" - | grep -q "Eingabe: $WORK/list" || fail "batch: list not named"

# The sheet: the four prices and the path the tool explains.
"$CLI" price 12.5 --format pdf -o "$WORK/s.pdf" || fail "sheet: exit $?"
pdftotext -layout "$WORK/s.pdf" "$WORK/sheet"
"$CLI" price 12.5 | while read -r caption amount; do
    grep -qE "^ *${caption%%:*}.* $amount *\$" "$WORK/sheet" || echo "$caption $amount"
done >"$WORK/missing"
[ -s "$WORK/missing" ] && fail "sheet: prices missing: $(cat "$WORK/missing")"
"$CLI" price 12.5 --explain | sed -n '/^$/,$p' | sed '/^$/d' | while IFS= read -r line; do
    tr -s ' \n' ' ' <"$WORK/sheet" | grep -qF "$(echo "$line" | tr -s ' ')" || echo "$line"
done >"$WORK/missing"
[ -s "$WORK/missing" ] && fail "sheet: path lines missing: $(head -3 "$WORK/missing")"
grep -qF "Seite 1 von 1" "$WORK/sheet" || fail "sheet: no page number"

# Refused before anything is drawn, and a failed file leaves nothing.
while IFS='|' read -r name status args; do
    # shellcheck disable=SC2086
    "$CLI" $args >/dev/null 2>"$WORK/err"
    got=$?
    [ "$got" = "$status" ] || fail "$name: exit $got, expected $status: $(cat "$WORK/err")"
done <<CASES
no file|2|range 1 2 1 --format pdf
stdout|2|range 1 2 1 --format pdf -o -
reverse|2|reverse avp 3 --format pdf
missing folder|1|range 1 2 1 --format pdf -o $WORK/none/t.pdf
folder as file|1|range 1 2 1 --format pdf -o $WORK
empty range|1|range 5 2 1 --format pdf -o $WORK/x.pdf
CASES
[ ! -e "$WORK/none" ] && [ ! -e "$WORK/x.pdf" ] || fail "a refused PDF left a file"

[ "$failures" = 0 ] || exit 1
echo "pdf checks passed"
