#!/usr/bin/env bash
# The price table printed through CUPS into a PDF queue (cups-pdf), read back:
# the rows the tool computes for the same prices, and the page footers. Runs
# a cupsd of its own on a private socket; exit 77 (skipped) where none can be
# started. Usage: cups_print_test.sh UI_OUTPUT_TESTS FAPKALK_CLI
set -u
TESTS=${1:?ui_output_tests} CLI=${2:?fapkalk-cli}
for tool in cupsd lpadmin pdftotext; do
    command -v $tool >/dev/null || { echo "$tool missing" >&2; exit 77; }
done
PPD=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
# cups-pdf writes as root only when cupsd runs as root.
[ -x /usr/lib/cups/backend/cups-pdf ] && [ -r $PPD ] && [ "$(id -u)" = 0 ] ||
    { echo "no cups-pdf, or not root" >&2; exit 77; }

WORK=$(mktemp -d)
JOB=fapkalk-print-test-$$
chmod 755 "$WORK" # the filters run as lp
cleanup() {
    [ -n "${CUPSD:-}" ] && kill "$CUPSD" 2>/dev/null && wait "$CUPSD" 2>/dev/null
    rm -rf "$WORK"
    rm -f "$HOME"/PDF/"$JOB"*.pdf
}
trap cleanup EXIT
mkdir -p "$WORK"/{conf,spool,cache,state,tmp,log}
cat >"$WORK/cupsd.conf" <<CONF
Listen $WORK/cups.sock
LogLevel warn
Browsing No
WebInterface No
<Location />
  Order allow,deny
  Allow all
</Location>
CONF
cat >"$WORK/cups-files.conf" <<CONF
ServerRoot $WORK/conf
RequestRoot $WORK/spool
CacheDir $WORK/cache
StateDir $WORK/state
TempDir $WORK/tmp
ErrorLog $WORK/log/error_log
AccessLog $WORK/log/access_log
PageLog $WORK/log/page_log
ServerBin /usr/lib/cups
DataDir /usr/share/cups
CONF
cupsd -f -c "$WORK/cupsd.conf" -s "$WORK/cups-files.conf" &
CUPSD=$!
export CUPS_SERVER=$WORK/cups.sock
for _ in $(seq 50); do [ -S "$CUPS_SERVER" ] && break; sleep 0.2; done
[ -S "$CUPS_SERVER" ] && lpadmin -p fapkalk-pdf -v cups-pdf:/ -P $PPD -E ||
    { echo "cupsd did not start: $(cat "$WORK"/log/error_log 2>/dev/null)" >&2; exit 77; }

FAPKALK_TEST_QUEUE=fapkalk-pdf FAPKALK_TEST_JOB=$JOB QT_QPA_PLATFORM=offscreen \
    "$TESTS" test_print_jobs printThroughCups || exit 1
out=
for _ in $(seq 300); do
    out=$(ls "$HOME"/PDF/"$JOB"*.pdf 2>/dev/null | head -1)
    [ -n "$out" ] && ! pgrep -f "cups-pdf.*$JOB" >/dev/null && break
    sleep 0.2
done
[ -n "$out" ] || { echo "FAIL: no PDF from cups-pdf: $(cat "$WORK"/log/error_log)" >&2; exit 1; }
sleep 1 # cups-pdf renames the finished file into place; let it settle

failures=0
pdftotext -layout "$out" "$WORK/paper"
"$CLI" range 0.01 1.50 0.01 --format csv | tail -n +2 >"$WORK/expected"
awk 'NF == 4 && $1 ~ /^[0-9]+\.[0-9][0-9]$/ { print $1 "," $2 "," $3 "," $4 }' "$WORK/paper" >"$WORK/actual"
cmp -s "$WORK/expected" "$WORK/actual" || {
    echo "FAIL: printed rows differ: $(diff "$WORK/expected" "$WORK/actual" | head -5)" >&2
    failures=1
}
pages=$(grep -c 'Seite [0-9]* von' "$WORK/paper")
[ "$pages" -ge 2 ] && grep -q "Seite $pages von $pages" "$WORK/paper" ||
    { echo "FAIL: page footers: $(grep Seite "$WORK/paper")" >&2; failures=1; }
[ "$failures" = 0 ] && echo "printed through CUPS: $pages pages"
exit "$failures"
