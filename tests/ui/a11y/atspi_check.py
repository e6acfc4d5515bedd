"""Runs the window under AT-SPI and checks what a screen reader is told.

Started by atspi_test.sh inside its own X server and D-Bus session. Keys go in
through the X server (xdotool), as a keyboard's do; everything is read back
through AT-SPI, nothing through the program's own objects.
"""
import os
import subprocess
import sys
import tempfile
import time

import pyatspi

APP, CLI = sys.argv[1], sys.argv[2]
failures = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what, flush=True)
    if not ok:
        failures.append(what)


def wait_for(probe, seconds=20.0):
    """probe() until it returns something true; that value, or None."""
    end = time.monotonic() + seconds
    while True:
        value = probe()
        if value or time.monotonic() > end:
            return value
        time.sleep(0.2)


def walk(node):
    yield node
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child)


def application():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name == "fapkalk":
            return app
    return None


def find(role, match):
    app = application()
    if app is None:
        return None
    for node in walk(app):
        if node.getRoleName() == role and match(node.name or ""):
            return node
    return None


def has_state(node, state):
    return node.getState().contains(state)


def result_names():
    """The names of the four result labels, FAP to AVP."""
    names = []
    for caption in ("FAP", "AEP", "KP", "AVP"):
        label = find("label", lambda name, c=caption: name.startswith(c + " "))
        names.append(label.name if label else None)
    return names


def cli_prices(*args):
    """The four prices fapkalk-cli prints for the same input, as the labels show them."""
    out = subprocess.run([CLI, "price", *args], check=True, capture_output=True, text=True).stdout
    return [line.split()[-1] for line in out.splitlines()[:4]]


def xdotool(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True).stdout.strip()


def main():
    bus = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
    env = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
               QT_ACCESSIBILITY="1", XDG_CONFIG_HOME=tempfile.mkdtemp(),
               ASAN_OPTIONS="detect_leaks=0")
    time.sleep(1)
    app = subprocess.Popen([APP, "/noini"], env=env)
    try:
        run_checks()
    finally:
        app.terminate()
        try:
            app.wait(10)
        except subprocess.TimeoutExpired:
            app.kill()
        bus.terminate()
    if failures:
        print(f"{len(failures)} check(s) failed", flush=True)
        return 1
    return 0


def run_checks():
    if not wait_for(application, 30):
        check(False, "the program appears on the accessibility bus")
        return
    # The imprint comes first and closes by itself; then the main window shows.
    window = wait_for(lambda: xdotool("search", "--onlyvisible", "--name", "FAP-Kalkulation"), 30)
    if not window:
        check(False, "the main window becomes visible")
        return
    xdotool("windowfocus", "--sync", window.split()[0])

    price_field = find("text", lambda name: name == "Fabriksabgabepreis:")
    check(price_field is not None and wait_for(lambda: has_state(price_field, pyatspi.STATE_FOCUSED), 5),
          "the price field has the focus")
    xdotool("type", "--delay", "40", "12,5")
    xdotool("key", "Return")

    want = [f"{caption} {price}" for caption, price in zip(("FAP", "AEP", "KP", "AVP"), cli_prices("12.5"))]
    got = wait_for(lambda: result_names() == want and result_names(), 10) or result_names()
    check(got == want, f"result labels read {got}, expected {want}")
    check("AEP 13.81" in got, "the AEP label reads 'AEP 13.81'")

    aep = find("label", lambda name: name.startswith("AEP "))
    description = aep.description if aep else ""
    check(bool(description) and "<" not in description and "Ergebnis" in description,
          f"the calculation path is plain text: {description.splitlines()[-1:] if description else None}")

    # Ctrl+C with nothing selected in the price field copies the prices, and
    # the status bar's note reaches the screen reader as a name.
    xdotool("key", "End", "ctrl+c")
    note = wait_for(lambda: find("label", lambda name: name == "Preise kopiert"), 5)
    check(note is not None, "Ctrl+C tells the screen reader 'Preise kopiert'")

    narcotic = find("check box", lambda name: name == "Suchtgift")
    check(narcotic is not None and not has_state(narcotic, pyatspi.STATE_CHECKED),
          "Suchtgift reads as not checked")
    if narcotic is None:
        return

    xdotool("key", "alt+s")
    on = wait_for(lambda: has_state(narcotic, pyatspi.STATE_CHECKED), 5)
    check(bool(on), "Alt+S checks Suchtgift")
    want = [f"{caption} {price}" for caption, price in
            zip(("FAP", "AEP", "KP", "AVP"), cli_prices("12.5", "--narcotic"))]
    got = wait_for(lambda: result_names() == want and result_names(), 10) or result_names()
    check(got == want, f"with Suchtgift the labels read {got}, expected {want}")
    check(has_state(price_field, pyatspi.STATE_FOCUSED), "the focus stays in the price field")

    xdotool("key", "alt+s")
    off = wait_for(lambda: not has_state(narcotic, pyatspi.STATE_CHECKED), 5)
    check(bool(off), "Alt+S again unchecks Suchtgift")

    grid = find("table", lambda name: name == "Ergebnistabelle")
    headers = []
    if grid is not None:
        table = grid.queryTable()
        headers = [table.getColumnHeader(i).name for i in range(table.nColumns)]
    check(headers == ["FAP", "AEP", "KP", "AVP"], f"the grid's columns are named {headers}")

    check(find("push button", lambda name: name == "Impressum") is not None,
          "the 'i' is the push button 'Impressum'")
    check_dialogs()


def focused(role, name):
    node = wait_for(lambda: find(role, lambda n: n == name), 5)
    return node is not None and bool(wait_for(lambda: has_state(node, pyatspi.STATE_FOCUSED), 5))


def shown(title):
    """The dialog once it is on screen (a hidden one stays on the bus)."""
    node = find("dialog", lambda name: name == title)
    return node if node is not None and has_state(node, pyatspi.STATE_SHOWING) else None


def close(title, *keys):
    """Closes the dialog; the main window gets the keyboard back (without a
    window manager nobody else gives it)."""
    xdotool("key", *keys)
    wait_for(lambda: shown(title) is None, 5)
    main_window = xdotool("search", "--onlyvisible", "--name", "FAP-Kalkulation").split()
    xdotool("windowfocus", "--sync", main_window[0])


def check_grid():
    """The range's rows as a screen reader reads the table: how many, a cell's
    text, and the cell the keys moved to (12.50 to 18.50, the focus in the grid)."""
    grid = find("table", lambda name: name == "Ergebnistabelle")
    table = grid.queryTable() if grid is not None else None
    rows = wait_for(lambda: table.nRows == 7 and table.nRows, 5) if table else None
    check(rows == 7, f"the grid reads 7 rows: {table.nRows if table else None}")
    if rows != 7:
        return
    xdotool("key", "ctrl+End")
    last = table.getAccessibleAt(6, 3)
    want = cli_prices("18.5")[3]
    check(last is not None and (last.name or "").strip() == want,
          f"the last row's AVP reads {last.name if last else None!r}, expected {want}")
    check(last is not None and bool(wait_for(lambda: has_state(last, pyatspi.STATE_FOCUSED), 5)),
          "Ctrl+End makes the last row's AVP the focused cell")


def check_dialogs():
    xdotool("key", "alt+h")
    notes = wait_for(lambda: shown("FAP-Hinweise"), 10)
    labels = [node.name for node in walk(notes) if node.getRoleName() == "label"] if notes else []
    check("Wird dieser Knopf angeklickt und erscheint dieser blau, wird die Eingabe als "
          "Apotheken-Einkaufspreis genommen." in labels and
          not any(name.startswith("die Eingabe") for name in labels),
          f"Hinweise reads each paragraph whole: {labels}")
    close("FAP-Hinweise", "Return")

    xdotool("key", "alt+i")
    wait_for(lambda: shown("FAP - Impressum"), 10)
    xdotool("key", "Tab")
    email = find("link", lambda name: "@" in name)
    check(email is not None and focused("link", email.name), "Tab from OK reaches the e-mail link")
    close("FAP - Impressum", "shift+Tab", "Return")

    xdotool("key", "alt+r")
    time.sleep(0.5)  # the Export button shows in extended mode
    # A table to export: Von (the price typed above), Bis 19, Staffel 1.
    xdotool("key", "Return")
    xdotool("type", "19")
    xdotool("key", "Return", "Return")
    time.sleep(0.5)
    check_grid()
    xdotool("key", "alt+x")
    check(wait_for(lambda: shown("Export"), 10) is not None, "the export dialog is called 'Export'")
    check(focused("text", "Dateiname:"), "the focus is in the field 'Dateiname:'")
    xdotool("key", "Tab")
    check(focused("push button", "Durchsuchen…"), "Tab goes on to 'Durchsuchen…'")
    xdotool("key", "alt+d")
    check(focused("text", "Dateiname:"), "Alt+D goes back to the file name")
    close("Export", "Escape")


if __name__ == "__main__":
    sys.exit(main())
