#!/usr/bin/env bash
# The price table printed through CUPS into a PDF queue (cups-pdf), held
# against the same pages drawn into a file: page count and every page's
# picture (the print system's PDF keeps the glyphs but not the text). Runs
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
chmod 1777 "$WORK/tmp" # the filters write there as lp
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
[ -S "$CUPS_SERVER" ] && lpadmin -p fapkalk-pdf -v cups-pdf:/ -P $PPD -o pdftops-renderer-default=pdftops -E ||
    { echo "cupsd did not start: $(cat "$WORK"/log/error_log 2>/dev/null)" >&2; exit 77; }

FAPKALK_TEST_QUEUE=fapkalk-pdf FAPKALK_TEST_JOB=$JOB FAPKALK_TEST_REFERENCE=$WORK/reference.pdf \
    QT_QPA_PLATFORM=offscreen \
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
pages=$(pdfinfo "$out" | awk '/^Pages:/ { print $2 }')
want=$(pdfinfo "$WORK/reference.pdf" | awk '/^Pages:/ { print $2 }')
[ "$pages" = "$want" ] && [ "$pages" -ge 2 ] ||
    { echo "FAIL: $pages pages on paper, $want drawn" >&2; failures=1; }
# Each page at 30 dpi in grey: the mean difference of the pixels, in levels
# of 255 (a missing row or a shifted column makes several).
pdftoppm -gray -r 30 "$out" "$WORK/paper"
pdftoppm -gray -r 30 "$WORK/reference.pdf" "$WORK/drawn"
for page in $(seq "$want"); do
    diff=$(python3 - "$WORK"/paper-*"$page".pgm "$WORK"/drawn-*"$page".pgm <<'PY'
import sys
def pixels(path):
    data = open(path, 'rb').read()
    fields = data.split(maxsplit=4)
    return int(fields[1]), int(fields[2]), fields[4]
(w1, h1, a), (w2, h2, b) = pixels(sys.argv[1]), pixels(sys.argv[2])
if (w1, h1) != (w2, h2):
    print(999)
else:
    print(round(sum(abs(x - y) for x, y in zip(a, b)) / len(a), 2))
PY
)
    awk -v d="$diff" 'BEGIN { exit !(d < 2) }' ||
        { echo "FAIL: page $page on paper differs from the drawn page by $diff" >&2; failures=1; }
done
[ "$failures" = 0 ] && echo "printed through CUPS: $pages pages as drawn"
exit "$failures"
