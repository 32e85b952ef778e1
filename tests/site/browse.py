#!/usr/bin/env python3
"""Serves the hand-written site under tests/site/fixture through scripts/preview.sh and looks
at its pages in headless Chromium: the rows the shop database holds, searches that must find
the right rows and nothing for an injection attempt, and values that must come out as text,
never as markup. Screenshots go to BUILD_DIR/site-test/screenshots.

usage: browse.py SOURCE_DIR BUILD_DIR
Exits 77 (a skip for ctest) when mono, mcs or chromium is missing.
"""
import base64
import html.parser
import json
import os
import select
import shutil
import signal
import socket
import sqlite3
import subprocess
import sys
import time
import urllib.error
import urllib.parse
import urllib.request

SKIP = 77
START_TIMEOUT = 120  # seconds for the server to answer its first page (it compiles it)
BROWSER_TIMEOUT = 60


class Page(html.parser.HTMLParser):
    """The parts of a dumped page the checks read: the table rows, the script elements,
    the search box's value and the whole text."""

    def __init__(self, text):
        super().__init__(convert_charrefs=True)
        self.rows, self.scripts, self.search_value, self.text = [], 0, None, []
        self._row, self._cell, self._in_body = None, None, False
        self.feed(text)
        self.text = "".join(self.text)

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if tag == "script":
            self.scripts += 1
        elif tag == "tbody":
            self._in_body = True
        elif tag == "tr" and self._in_body:
            self._row = []
        elif tag == "td" and self._row is not None:
            self._cell = []
        elif tag == "input" and a.get("name") == "q":
            self.search_value = a.get("value")

    def handle_endtag(self, tag):
        if tag == "tbody":
            self._in_body = False
        elif tag == "tr" and self._row is not None:
            self.rows.append(self._row)
            self._row = None
        elif tag == "td" and self._cell is not None:
            self._row.append("".join(self._cell))
            self._cell = None

    def handle_data(self, data):
        self.text.append(data)
        if self._cell is not None:
            self._cell.append(data)


class Checks:
    def __init__(self):
        self.passed, self.failed = 0, 0

    def expect(self, ok, what, detail=""):
        if ok:
            self.passed += 1
            print("ok   " + what)
        else:
            self.failed += 1
            print("FAIL " + what + (": " + detail if detail else ""))


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def shop_database(source, build, dest):
    """The database the build made from the sample script, or one made here from it."""
    built = os.path.join(build, "samples", "shop.db")
    if os.path.exists(built):
        shutil.copyfile(built, dest)
    else:
        with open(os.path.join(source, "samples", "shop.sql"), encoding="utf-8") as f:
            con = sqlite3.connect(dest)
            con.executescript(f.read())
            con.close()


class Server:
    """The preview server in a process group of its own, stopped however the test ends."""

    def __init__(self, source, site, cache, log, ready="Default.aspx"):
        self.source, self.site, self.cache, self.log_path = source, site, cache, log
        self.ready = ready
        self.proc, self.port = None, None

    def start(self):
        env = dict(os.environ, QUILLET_PREVIEW_CACHE=self.cache)
        for attempt in range(3):
            self.port = free_port()
            log = open(self.log_path, "w")
            self.proc = subprocess.Popen(
                [os.path.join(self.source, "scripts", "preview.sh"), self.site, str(self.port)],
                stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT, env=env,
                start_new_session=True)
            log.close()
            if self._wait_ready():
                return True
            self.stop()
        return False

    def _wait_ready(self):
        deadline = time.monotonic() + START_TIMEOUT
        while time.monotonic() < deadline:
            if self.proc.poll() is not None:
                return False
            try:
                with urllib.request.urlopen(self.url(self.ready), timeout=60) as r:
                    return r.status == 200
            except (urllib.error.URLError, ConnectionError, socket.timeout):
                time.sleep(0.3)
        return False

    def url(self, path):
        return "http://127.0.0.1:%d/%s" % (self.port, path)

    def stop(self):
        if self.proc is None or self.proc.poll() is not None:
            return
        for sig, wait in ((signal.SIGTERM, 5), (signal.SIGKILL, 5)):
            try:
                os.killpg(self.proc.pid, sig)
            except ProcessLookupError:
                return
            try:
                self.proc.wait(wait)
                return
            except subprocess.TimeoutExpired:
                pass

    def log(self):
        with open(self.log_path, errors="replace") as f:
            return f.read()


class Browser:
    """One headless Chromium for the whole test, driven through the DevTools protocol on a
    pair of pipes (messages separated by NUL), so each page costs a navigation rather than
    a browser start."""

    def __init__(self, exe, profile):
        to_browser_r, self._out = os.pipe()
        self._in, from_browser_w = os.pipe()
        # The browser reads commands on descriptor 3 and answers on descriptor 4.
        # (Copied out of the way first: either pipe end may itself be 3 or 4.)
        def wire():
            r, w = os.dup(to_browser_r), os.dup(from_browser_w)
            os.dup2(r, 3)
            os.dup2(w, 4)
        self.proc = subprocess.Popen(
            [exe, "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
             "--disable-dev-shm-usage", "--disable-extensions", "--disable-background-networking",
             "--disable-component-update", "--user-data-dir=" + profile,
             "--window-size=1200,1000", "--remote-debugging-pipe", "about:blank"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            preexec_fn=wire, pass_fds=(3, 4), start_new_session=True)
        os.close(to_browser_r)
        os.close(from_browser_w)
        self._buf, self._next, self._events = b"", 0, []
        target = self.call("Target.createTarget", {"url": "about:blank"})["targetId"]
        self.session = self.call("Target.attachToTarget",
                                 {"targetId": target, "flatten": True})["sessionId"]
        self.call("Page.enable", session=True)

    def _read(self, deadline):
        while b"\0" not in self._buf:
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([self._in], [], [], left)[0]:
                raise TimeoutError("the browser did not answer in time")
            chunk = os.read(self._in, 1 << 20)
            if not chunk:
                raise ConnectionError("the browser went away")
            self._buf += chunk
        msg, self._buf = self._buf.split(b"\0", 1)
        return json.loads(msg)

    def call(self, method, params=None, session=False):
        self._next += 1
        msg = {"id": self._next, "method": method, "params": params or {}}
        if session:
            msg["sessionId"] = self.session
        os.write(self._out, json.dumps(msg).encode() + b"\0")
        deadline = time.monotonic() + BROWSER_TIMEOUT
        while True:
            m = self._read(deadline)
            if m.get("id") == self._next:
                if "error" in m:
                    raise RuntimeError("%s: %s" % (method, m["error"]))
                return m["result"]
            self._events.append(m)

    def open(self, url):
        """Loads the page and waits for its load event."""
        self._events, self.dialogs = [], 0
        self.call("Page.navigate", {"url": url}, session=True)
        deadline = time.monotonic() + BROWSER_TIMEOUT
        seen = 0
        while True:
            while seen < len(self._events):
                method = self._events[seen].get("method")
                seen += 1
                if method == "Page.loadEventFired":
                    return
                if method == "Page.javascriptDialogOpening":
                    # A script of the page ran; the dialog would hold the load forever.
                    self.dialogs += 1
                    self.call("Page.handleJavaScriptDialog", {"accept": True}, session=True)
            self._events.append(self._read(deadline))

    def dom(self, url):
        self.open(url)
        r = self.call("Runtime.evaluate", {"expression": "document.documentElement.outerHTML",
                                           "returnByValue": True}, session=True)
        page = Page(r["result"]["value"])
        page.scripts += self.dialogs
        return page

    def screenshot(self, url, path):
        self.open(url)
        data = self.call("Page.captureScreenshot", {"format": "png"}, session=True)["data"]
        with open(path, "wb") as f:
            f.write(base64.b64decode(data))
        return os.path.getsize(path) > 0

    def close(self):
        for fd in (self._in, self._out):
            try:
                os.close(fd)
            except OSError:
                pass
        try:
            os.killpg(self.proc.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        self.proc.wait(10)


def expected_rows(db, where="", args=()):
    con = sqlite3.connect(db)
    rows = con.execute("SELECT customer_id, name, city, joined_on, note FROM customers " + where +
                       " ORDER BY customer_id", args).fetchall()
    con.close()
    return [[str(v) if v is not None else "" for v in row] for row in rows]


def shown(page):
    """Id, name, city, date joined and note of each row on the page."""
    return [[r[0], r[1], r[2], r[3], r[5]] for r in page.rows if len(r) == 6]


def arguments(usage):
    """SOURCE_DIR, BUILD_DIR and the browser's program; the exit status instead when the
    arguments are wrong (2) or a tool is missing (SKIP)."""
    if len(sys.argv) != 3:
        print(usage, file=sys.stderr)
        return 2
    source, build = (os.path.abspath(a) for a in sys.argv[1:])
    chromium = shutil.which("chromium") or shutil.which("chromium-browser")
    missing = [t for t in ("mono", "mcs") if not shutil.which(t)] + ([] if chromium else ["chromium"])
    if missing:
        print("SKIP: missing " + ", ".join(missing) + " (scripts/setup.sh installs them)")
        return SKIP
    return source, build, chromium


def main():
    args = arguments(__doc__)
    if isinstance(args, int):
        return args
    source, build, chromium = args

    work = os.path.join(build, "site-test")
    shutil.rmtree(work, ignore_errors=True)
    site = os.path.join(work, "site")
    shutil.copytree(os.path.join(source, "tests", "site", "fixture"), site)
    os.makedirs(os.path.join(site, "App_Data"))
    db = os.path.join(site, "App_Data", "shop.db")
    shop_database(source, build, db)
    shots = os.path.join(work, "screenshots")
    os.makedirs(shots)

    return serve_and_check(source, build, work, site, chromium, "Default.aspx",
                           lambda c, server, browser: run_checks(c, server, browser, db, shots))


def serve_and_check(source, build, work, site, chromium, ready, checks):
    """Serves the site, runs checks(c, server, browser) in one browser and reports; the exit
    status."""
    server = Server(source, site, os.path.join(build, "preview-host"), os.path.join(work, "server.log"),
                    ready)
    for sig in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        signal.signal(sig, lambda *_: sys.exit(1))
    started = time.monotonic()
    try:
        if not server.start():
            print("FAIL the preview server did not serve the site:\n" + server.log())
            return 1
        print("server ready in %.1f s" % (time.monotonic() - started))
        browser = Browser(chromium, os.path.join(work, "profile"))
        c = Checks()
        try:
            checks(c, server, browser)
        except (OSError, TimeoutError, RuntimeError, ValueError, KeyError, TypeError) as e:
            c.expect(False, "the checks ran to their end", repr(e))
        finally:
            browser.close()
        print("%d passed, %d failed" % (c.passed, c.failed))
        if c.failed:
            print("server log:\n" + server.log())
        return 1 if c.failed else 0
    finally:
        server.stop()
        print("site test took %.1f s" % (time.monotonic() - started))


def run_checks(c, server, browser, db, shots):
    everyone = expected_rows(db)
    page = browser.dom(server.url("Default.aspx"))
    c.expect(len(everyone) == 60 and shown(page) == everyone, "the list shows every customer of the database",
             "%d rows shown, %d expected; first shown %r" % (len(page.rows), len(everyone), page.rows[:1]))
    c.expect(any("ü" in r[1] or "ó" in r[2] for r in shown(page)), "names and cities outside ASCII come through")
    c.expect(page.scripts == 0 and '<script>alert("note")</script>' in page.text,
             "a stored <script> value is shown as text, not run", "script elements: %d" % page.scripts)
    c.expect(browser.screenshot(server.url("Default.aspx"), os.path.join(shots, "customers.png")),
             "a screenshot of the list page")

    searches = [
        ("Zürich", "WHERE name LIKE ?1 OR city LIKE ?1", ("%Zürich%",)),
        ("Novak", "WHERE name LIKE ?1 OR city LIKE ?1", ("%Novak%",)),
        ("' OR 1=1 --", "WHERE 0", ()),
        ("<script>alert(1)</script>", "WHERE 0", ()),
    ]
    for text, where, args in searches:
        want = expected_rows(db, where, args)
        page = browser.dom(server.url("Default.aspx?q=" + urllib.parse.quote(text)))
        c.expect(shown(page) == want and ("%d found for %s" % (len(want), text)) in page.text
                 and page.search_value == text and page.scripts == 0,
                 "search for %s finds %d" % (text, len(want)),
                 "shown %d, value %r, scripts %d" % (len(page.rows), page.search_value, page.scripts))
    c.expect(browser.screenshot(server.url("Default.aspx?q=" + urllib.parse.quote("' OR 1=1 --")),
                                os.path.join(shots, "search-injection.png")),
             "a screenshot of the injection search")

    # A form posted to the page reaches it as form fields, non-ASCII text included.
    body = urllib.parse.urlencode({"q": "Kraków"}).encode()
    req = urllib.request.Request(server.url("Default.aspx"), data=body, method="POST",
                                 headers={"Content-Type": "application/x-www-form-urlencoded"})
    with urllib.request.urlopen(req, timeout=30) as r:
        posted = Page(r.read().decode("utf-8"))
    want = expected_rows(db, "WHERE name LIKE ?1 OR city LIKE ?1", ("%Kraków%",))
    c.expect(len(want) > 0 and shown(posted) == want, "a posted search finds %d" % len(want),
             "shown %d" % len(posted.rows))

    try:
        urllib.request.urlopen(server.url("missing.aspx"), timeout=30)
        status = 200
    except urllib.error.HTTPError as e:
        status = e.code
    c.expect(status == 404, "a missing page answers 404", "status %d" % status)


if __name__ == "__main__":
    sys.exit(main())
