#!/usr/bin/env bash
# fapkalk-cli as a user runs it: exact bytes, exit statuses, files, full disks.
# Usage: cli_end_to_end.sh PATH_TO_fapkalk-cli
set -u

CLI=${1:?path to fapkalk-cli}
WORK=$(mktemp -d)
trap 'chmod -R u+w "$WORK" 2>/dev/null; rm -rf "$WORK"' EXIT

export LC_ALL=C TZ=UTC SOURCE_DATE_EPOCH=1796652309 # 07.12.2026 14:05:09
failures=0
checks=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# same_bytes NAME EXPECTED_FILE ACTUAL_FILE
same_bytes() {
    checks=$((checks + 1))
    if ! cmp -s "$2" "$3"; then
        fail "$1: bytes differ"
        echo "--- expected" >&2
        od -c "$2" | head -20 >&2
        echo "--- actual" >&2
        od -c "$3" | head -20 >&2
    fi
}

# status_is NAME EXPECTED ACTUAL
status_is() {
    checks=$((checks + 1))
    [ "$2" = "$3" ] || fail "$1: exit status $3, expected $2"
}

# empty_file NAME FILE
empty_file() {
    checks=$((checks + 1))
    [ ! -s "$2" ] || fail "$1: $(basename "$2") not empty: $(head -c 200 "$2")"
}

# contains NAME FILE TEXT
contains() {
    checks=$((checks + 1))
    grep -qF -- "$3" "$2" || fail "$1: \"$3\" not in: $(head -c 300 "$2")"
}

# no_leftovers NAME FOLDER EXPECTED_LISTING
no_leftovers() {
    checks=$((checks + 1))
    local listing
    listing=$(cd "$2" && ls -A | tr '\n' ' ')
    [ "$listing" = "$3" ] || fail "$1: folder holds \"$listing\", expected \"$3\""
}

run() { # run ARGS... ; stdout in $WORK/out, stderr in $WORK/err, status in $status
    "$CLI" "$@" >"$WORK/out" 2>"$WORK/err"
    status=$?
}

# --- price: the panel's four lines -----------------------------------------
run price 10
status_is "price 10" 0 "$status"
printf 'Fabriksabgabepreis:      10.00\nApotheken-Einkaufspreis: 11.25\nKassenpreis:             15.20\nApotheken-Verkaufspreis: 21.20\n' >"$WORK/expected"
same_bytes "price 10" "$WORK/expected" "$WORK/out"
empty_file "price 10 stderr" "$WORK/err"

run price 12,50 --aep --narcotic
printf 'Fabriksabgabepreis:       0.00\n' >"$WORK/expected"
checks=$((checks + 1))
head -n 1 "$WORK/out" | cmp -s - "$WORK/expected" || fail "price --aep: FAP line"

run price 10 --format fixed
printf 'FAP ;AEP ;KP ;AVP \r\n     1000     1125     1520     2120\r\n' >"$WORK/expected"
same_bytes "price --format fixed" "$WORK/expected" "$WORK/out"

# --- range: exact export bytes ------------------------------------------------
run range 1 10 9
status_is "range 1 10 9" 0 "$status"
printf 'FAP ;AEP ;KP ;AVP \r\n      100      116      160      230\r\n     1000     1125     1520     2120\r\n' >"$WORK/expected"
same_bytes "range fixed" "$WORK/expected" "$WORK/out"
cp "$WORK/out" "$WORK/range_fixed"

run range 10 10 1 --homeopathic --format xls --header
printf 'Fileinfo: \r\n  Erstellt: 07.12.2026 14:05:09\r\n  Preise: Basis: FAP von: 10 bis: 10 Staffel: 1\r\n  Kalkulationsmodus: Hom\366op. Arzneispezialit\344t\r\n  Kennzeichen: \r\nFAP ;AEP ;KP ;AVP \r\n10,00;11,60;15,65;21,85\r\n' >"$WORK/expected"
same_bytes "range xls header" "$WORK/expected" "$WORK/out"
checks=$((checks + 1))
od -An -tx1 "$WORK/out" | tr -s ' \n' ' ' | grep -q ' f6 ' || fail "no byte F6 for the o umlaut"
checks=$((checks + 1))
od -An -tx1 "$WORK/out" | tr -s ' \n' ' ' | grep -q ' e4 ' || fail "no byte E4 for the a umlaut"
checks=$((checks + 1))
! grep -q $'\xc3' "$WORK/out" || fail "UTF-8 bytes in the export"

SOURCE_DATE_EPOCH=1796601600 "$CLI" range 10 10 1 --aep --header >"$WORK/out"
contains "midnight header" "$WORK/out" $'  Erstellt: 07.12.2026\r'
printf '     000     1000     1370     1885\r\n' >"$WORK/expected"
tail -c 37 "$WORK/out" >"$WORK/last"
same_bytes "aep placeholder row" "$WORK/expected" "$WORK/last"

# --- batch from standard input ----------------------------------------------
printf '1\r\n\r\n 10 \n' | "$CLI" batch --format xls >"$WORK/out" 2>"$WORK/err"
status_is "batch" 0 $?
printf 'FAP ;AEP ;KP ;AVP \r\n1,00;1,16;1,60;2,30\r\n10,00;11,25;15,20;21,20\r\n' >"$WORK/expected"
same_bytes "batch xls" "$WORK/expected" "$WORK/out"

printf '1\n0\n' | "$CLI" batch >"$WORK/out" 2>"$WORK/err"
status_is "batch with zero" 0 $?
contains "batch zero message" "$WORK/err" "Zeile 2: FAP-Preis muß eingegeben werden"

printf '1\nabc\n' | "$CLI" batch >"$WORK/out" 2>"$WORK/err"
status_is "batch malformed" 1 $?
empty_file "batch malformed stdout" "$WORK/out"
contains "batch malformed message" "$WORK/err" "Zeile 2: ungültige Zahl"

# --- exit statuses ------------------------------------------------------------
run frobnicate
status_is "unknown command" 2 "$status"
empty_file "unknown command stdout" "$WORK/out"
contains "usage hint" "$WORK/err" "fapkalk-cli --help"

run range 1 2 0.5 --format yaml
status_is "bad format" 2 "$status"

run range 2 1 1
status_is "von above bis" 1 "$status"
empty_file "von above bis stdout" "$WORK/out"
contains "von above bis message" "$WORK/err" "Von-FAP darf nicht größer als Bis-FAP sein bzw. Felder dürfen nicht leer sein!"

run price 0
status_is "price 0" 1 "$status"
contains "price 0 message" "$WORK/err" "FAP-Preis muß eingegeben werden"

run price 1,2,3
status_is "malformed number" 1 "$status"
contains "malformed names the argument" "$WORK/err" 'PREIS: "1,2,3"'

run --help
status_is "--help" 0 "$status"
contains "--help text" "$WORK/out" "Aufruf: fapkalk-cli price PREIS"
run --version
status_is "--version" 0 "$status"
contains "--version text" "$WORK/out" "fapkalk-cli "

# --- output files -------------------------------------------------------------
mkdir "$WORK/files"
printf 'a much longer old file\r\n%.0s' $(seq 1 100) >"$WORK/files/out.csv"
run range 1 10 9 -o "$WORK/files/out.csv"
status_is "-o" 0 "$status"
empty_file "-o stdout" "$WORK/out"
same_bytes "-o content" "$WORK/range_fixed" "$WORK/files/out.csv"
no_leftovers "-o leftovers" "$WORK/files" "out.csv "

cp "$WORK/files/out.csv" "$WORK/saved.csv"
run range 2 1 1 -o "$WORK/files/out.csv"
status_is "refused with -o" 1 "$status"
same_bytes "refusal leaves the file" "$WORK/saved.csv" "$WORK/files/out.csv"

run range 7000000 7200000 100000 -o "$WORK/files/out.csv"
status_is "too large with -o" 1 "$status"
contains "too large message" "$WORK/err" "paßt nicht in die Preisspalte"
same_bytes "too large leaves the file" "$WORK/saved.csv" "$WORK/files/out.csv"
no_leftovers "too large leftovers" "$WORK/files" "out.csv "

run range 1 2 0.5 -o "$WORK/missing/out.csv"
status_is "-o into a missing folder" 1 "$status"
contains "-o missing folder message" "$WORK/err" "konnte nicht geschrieben werden!"

# A read-only folder. Root ignores permission bits, so as root the tool runs
# as "nobody" when setpriv can arrange that; otherwise the case is skipped.
mkdir "$WORK/locked"
cp "$WORK/saved.csv" "$WORK/locked/old.csv"
chmod 0666 "$WORK/locked/old.csv"
chmod 0555 "$WORK/locked"
chmod 0755 "$WORK"
as_user=()
if [ "$(id -u)" = 0 ]; then
    if command -v setpriv >/dev/null &&
        setpriv --reuid=65534 --regid=65534 --clear-groups "$CLI" --version >/dev/null 2>&1; then
        as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
    else
        echo "SKIP: read-only folder (root without a usable unprivileged user)"
        as_user=(skip)
    fi
fi
if [ "${as_user[*]-}" != skip ]; then
    "${as_user[@]}" "$CLI" range 1 2 0.5 -o "$WORK/locked/new.csv" >"$WORK/out" 2>"$WORK/err"
    status_is "-o new file into a read-only folder" 1 $?
    contains "read-only message" "$WORK/err" "Keine Berechtigung"
    no_leftovers "read-only leftovers" "$WORK/locked" "old.csv "
    # The file itself may be written: no temporary file can stand beside it,
    # so it is written over in place.
    "${as_user[@]}" "$CLI" range 1 2 0.5 -o "$WORK/locked/old.csv" >"$WORK/out" 2>"$WORK/err"
    status_is "-o writable file in a read-only folder" 0 $?
    "$CLI" range 1 2 0.5 >"$WORK/expected"
    same_bytes "written in place" "$WORK/expected" "$WORK/locked/old.csv"
    no_leftovers "in-place leftovers" "$WORK/locked" "old.csv "
    # The new content waits in $TMPDIR first: a failure there blames $TMPDIR.
    mkdir -m 1777 "$WORK/spool"
    (ulimit -f 1; TMPDIR="$WORK/spool" "${as_user[@]}" "$CLI" range 1 100 0.5 \
        -o "$WORK/locked/old.csv" >"$WORK/out" 2>"$WORK/err")
    status_is "in place, \$TMPDIR full" 1 $?
    contains "in place, \$TMPDIR blamed" "$WORK/err" "Schreiben der Zwischendatei in $WORK/spool"
    same_bytes "in place, \$TMPDIR full leaves the file" "$WORK/expected" "$WORK/locked/old.csv"
fi
chmod 0755 "$WORK/locked"

# --- a full standard output -------------------------------------------------
if [ -w /dev/full ]; then
    "$CLI" range 0.01 100 0.01 >/dev/full 2>"$WORK/err"
    status=$?
    checks=$((checks + 1))
    [ "$status" -ne 0 ] || fail "range >/dev/full reported success"
    contains "/dev/full message" "$WORK/err" "Standardausgabe"
    "$CLI" price 10 >/dev/full 2>"$WORK/err"
    status=$?
    checks=$((checks + 1))
    [ "$status" -ne 0 ] || fail "price >/dev/full reported success"
else
    echo "SKIP: /dev/full not available"
fi

# --- standard streams and the edges of the process ----------------------------
# A stream named with -o is written where it stands, never replaced: what the
# shell wrote before and after stays.
for name in /dev/stdout /dev/fd/1 /proc/self/fd/1; do
    { echo "Preisliste Januar"; "$CLI" range 1 2 1 -o "$name"; echo Ende; } >"$WORK/report.txt"
    { echo "Preisliste Januar"; "$CLI" range 1 2 1; echo Ende; } >"$WORK/expected"
    same_bytes "-o $name inside a redirected block" "$WORK/expected" "$WORK/report.txt"
done
echo alt >"$WORK/log.txt"
"$CLI" range 1 2 1 -o /dev/stdout >>"$WORK/log.txt"
"$CLI" range 1 2 1 -o /dev/stderr 2>>"$WORK/log.txt"
{ echo alt; "$CLI" range 1 2 1; "$CLI" range 1 2 1; } >"$WORK/expected"
same_bytes "-o /dev/stdout and /dev/stderr appended" "$WORK/expected" "$WORK/log.txt"

# A closed stream is never taken over by a file, and one the user asked for
# is an error.
mkdir "$WORK/streams"
printf '0\n5\n' | "$CLI" batch -o "$WORK/streams/out.txt" 2>&-
status_is "batch with standard error closed" 0 $?
checks=$((checks + 1))
head -c 4 "$WORK/streams/out.txt" | grep -q '^FAP ' || fail "closed standard error: file starts with $(head -c 40 "$WORK/streams/out.txt")"
(ulimit -f 20000; seq 1 200000 | "$CLI" batch >&- 2>"$WORK/err")
status_is "batch with standard output closed" 1 $?
contains "closed standard output message" "$WORK/err" "Standardausgabe: sie war beim Programmstart geschlossen"
echo behalten >"$WORK/streams/keep.txt"
"$CLI" batch -o "$WORK/streams/keep.txt" <&- 2>"$WORK/err"
status_is "batch with standard input closed" 1 $?
contains "closed standard input message" "$WORK/err" "Standardeingabe ist geschlossen"
echo behalten >"$WORK/expected"
same_bytes "closed standard input leaves the file" "$WORK/expected" "$WORK/streams/keep.txt"

# The file-size limit: a message naming the limit, no signal, nothing left.
cp "$WORK/saved.csv" "$WORK/streams/t2.txt"
(ulimit -f 100; "$CLI" range 0.01 1000 0.01 -o "$WORK/streams/t2.txt" 2>"$WORK/err")
status_is "file-size limit" 1 $?
contains "file-size limit message" "$WORK/err" "überschreitet die Dateigrößengrenze von 102400 Bytes (ulimit -f)"
same_bytes "file-size limit leaves the file" "$WORK/saved.csv" "$WORK/streams/t2.txt"

# Names up to the file system's longest are written.
long=$(printf 'n%.0s' $(seq 1 251)).csv
run range 1 2 1 -o "$WORK/streams/$long"
no_leftovers "255-byte name" "$WORK/streams" "keep.txt $long out.txt t2.txt "

run batch /tmp
status_is "batch of a folder" 1 "$status"
contains "batch of a folder names it" "$WORK/err" 'Eingabedatei "/tmp" kann nicht gelesen werden (ist ein Ordner)'

# U+202E, U+200B and U+FEFF (in bytes: the locale here is C).
run price $'1\xe2\x80\xae2\xe2\x80\x8b\xef\xbb\xbf'
contains "invisible characters escaped" "$WORK/err" '"1\u202e2\u200b\ufeff"'
checks=$((checks + 1))
! grep -q $'\xe2\x80\xae\\|\xe2\x80\x8b\\|\xef\xbb\xbf' "$WORK/err" || fail "invisible characters reach the terminal raw"

# --- formats for scripts, read back with Python's csv and json ---------------
# Each compared with the export's xls rows of the same prices.
if command -v python3 >/dev/null; then
    while IFS='|' read -r name input args; do
        # shellcheck disable=SC2086 # the arguments are meant to split
        for format in csv json xls; do
            printf '%b' "$input" | "$CLI" $args --format $format >"$WORK/$format" 2>"$WORK/err"
            status_is "$name --format $format" 0 $?
        done
        checks=$((checks + 1))
        python3 - "$WORK/csv" "$WORK/json" "$WORK/xls" >"$WORK/err" 2>&1 <<'PYTHON' || fail "$name: $(cat "$WORK/err")"
import csv, decimal, json, sys
with open(sys.argv[1], newline="", encoding="utf-8") as f:
    text = f.read()
assert "\r" not in text and text.endswith("\n"), "CSV lines must end with LF only"
rows = list(csv.reader(text.splitlines()))
assert rows[0] == ["FAP", "AEP", "KP", "AVP"], rows[0]
with open(sys.argv[2], encoding="utf-8") as f:
    objects = [json.loads(line, parse_float=decimal.Decimal) for line in f]
with open(sys.argv[3], "rb") as f:
    export = f.read().decode("cp1252").split("\r\n")[1:-1]
assert len(rows) - 1 == len(objects) == len(export) > 0, (len(rows), len(objects), len(export))
for row, obj, line in zip(rows[1:], objects, export):
    amounts = [cell.replace(",", ".") for cell in line.split(";")]
    if row[0] == "":
        # No FAP for an AEP input: the export writes its placeholder.
        assert amounts[0] == "0.00" and obj["fap"] is None, (row, obj, line)
        amounts[0] = None
    assert list(obj) == ["fap", "aep", "kp", "avp"], obj
    got = [None if v is None else str(v) for v in obj.values()]
    assert got == amounts, (got, amounts)
    assert [c or None for c in row] == amounts, (row, amounts)
PYTHON
    done <<'CASES'
range|| range 0.01 500 7.77
range narcotic vat 20|| range 95 105 0.5 --narcotic --vat 20
range aep|| range 1 30 2.5 --aep --homeopathic
batch|0.01\n12,5\r\n\n999999.99\n| batch --veterinary
CASES
else
    echo "SKIP: formats for scripts (python3 not installed)"
fi

run range 1 10 9 "-o$WORK/joined.csv"
status_is "-oFILE" 0 "$status"
same_bytes "-oFILE content" "$WORK/range_fixed" "$WORK/joined.csv"

# --- hostile input: control bytes, a 10 MB line, too many rows -----------------
run price $'1\e]0;owned\a'
status_is "control bytes in an argument" 1 "$status"
checks=$((checks + 1))
! grep -q $'[\e\a]' "$WORK/err" || fail "control bytes reach the terminal: $(od -c "$WORK/err" | head -3)"
contains "control bytes shown escaped" "$WORK/err" '"1\x1b]0;owned\x07"'

cp "$WORK/saved.csv" "$WORK/files/out.csv"
{
    echo 1
    head -c 10485760 /dev/zero | tr '\0' 9
    echo x
} >"$WORK/huge"
run batch -o "$WORK/files/out.csv" "$WORK/huge"
status_is "10 MB line" 1 "$status"
same_bytes "10 MB line leaves the file" "$WORK/saved.csv" "$WORK/files/out.csv"
no_leftovers "10 MB line leftovers" "$WORK/files" "out.csv "
contains "10 MB line shortened" "$WORK/err" "(gekürzt, 10485761 Bytes)"
checks=$((checks + 1))
[ "$(wc -c <"$WORK/err")" -lt 300 ] || fail "10 MB line: message of $(wc -c <"$WORK/err") bytes"

run range 0.01 100000.01 0.01 -o "$WORK/files/out.csv"
status_is "row limit" 1 "$status"
contains "row limit message" "$WORK/err" "auf 10000000 Zeilen begrenzt"
same_bytes "row limit leaves the file" "$WORK/saved.csv" "$WORK/files/out.csv"
run range 0.01 100000.01 0.01 --max-rows 10000001 --format json
status_is "--max-rows" 0 "$status"
checks=$((checks + 1))
[ "$(wc -l <"$WORK/out")" = 10000001 ] || fail "--max-rows: $(wc -l <"$WORK/out") rows"

# --- interrupted long export --------------------------------------------------
mkdir "$WORK/long"
cp "$WORK/saved.csv" "$WORK/long/big.csv"
"$CLI" range 0.01 100000000 0.01 --max-rows 10000000000 -o "$WORK/long/big.csv" >/dev/null 2>&1 &
pid=$!
sleep 0.5
kill -INT "$pid"
wait "$pid"
status=$?
checks=$((checks + 1))
[ "$status" -ne 0 ] || fail "interrupted export reported success"
same_bytes "interrupt leaves the file" "$WORK/saved.csv" "$WORK/long/big.csv"
no_leftovers "interrupt leftovers" "$WORK/long" "big.csv "

echo "$checks checks, $failures failed"
[ "$failures" -eq 0 ]
