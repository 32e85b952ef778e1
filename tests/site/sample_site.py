#!/usr/bin/env python3
"""Generates the sample shop site with brindlewood and the shipped template set, serves it
through scripts/preview.sh and drives it in headless Chromium: the home page and its menu,
list pages 1 and 2, a sorted list, searches (an injection attempt among them), a lookup, a
master/detail link, a view page, an add, an edit and a delete that change the database, the
checks of a form, the charts, the report, and a stored <script> value that must come out as text. Where
the test script started a PostgreSQL server (QUILLET_PG_* variables), a site over a schema of
it as well: a list page, a search and an edit.
Screenshots of the home, list and edit pages go to BUILD_DIR/sample-site-test/screenshots.

usage: sample_site.py SOURCE_DIR BUILD_DIR
Exits 77 (a skip for ctest) when mono, mcs or chromium is missing.
"""
import os
import re
import shutil
import sqlite3
import subprocess
import sys
import time
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.dont_write_bytecode = True  # nothing written into the source tree
import browse  # noqa: E402  (the server, browser and page helpers of the fixture test)

STORED_SCRIPT = '<script>alert("note")</script>'


class SitePage(browse.Page):
    """A dumped page with its links, form fields, SVG charts and pager text as well."""

    def __init__(self, text):
        self.links, self.fields, self.svgs, self.errors = [], {}, [], 0
        self._link = None
        self.html = text
        super().__init__(text)

    def handle_starttag(self, tag, attrs):
        super().handle_starttag(tag, attrs)
        a = dict(attrs)
        if tag == "a":
            self._link = [a.get("href") or "", a.get("class") or "", []]
            self.links.append(self._link)
        elif tag in ("input", "select", "textarea") and a.get("name"):
            self.fields[a["name"]] = a
        elif tag == "svg":
            self.svgs.append(a.get("class") or "")
        elif tag == "ul" and a.get("id") == "errors":
            self.errors += 1

    def handle_endtag(self, tag):
        super().handle_endtag(tag)
        if tag == "a" and self._link is not None:
            self._link[2] = "".join(self._link[2]).strip()
            self._link = None

    def handle_data(self, data):
        super().handle_data(data)
        if self._link is not None:
            self._link[2].append(data)

    def link(self, cls=None, text=None, start=None):
        for href, c, t in self.links:
            if (cls is None or c == cls) and (text is None or t == text) and \
                    (start is None or href.startswith(start)):
                return href
        return None

    def total(self):
        m = re.search(r"(\d+) / (\d+) \((\d+)\)", self.text)
        return (int(m.group(1)), int(m.group(2)), int(m.group(3))) if m else None


class Site:
    """The running site: pages by name, forms filled and sent through the browser."""

    def __init__(self, server, browser):
        self.server, self.browser = server, browser

    def url(self, page):
        return page if page.startswith("http") else self.server.url(page.lstrip("/"))

    def get(self, page):
        b = self.browser
        b.open(self.url(page))
        r = b.call("Runtime.evaluate", {"expression": "document.documentElement.outerHTML",
                                        "returnByValue": True}, session=True)
        p = SitePage(r["result"]["value"])
        p.scripts += b.dialogs
        return p

    def submit(self, page, values, form="record"):
        """Opens the page, types the values into its form and sends it; the page that
        answers."""
        b = self.browser
        b.open(self.url(page))
        script = ["var f = document.getElementById(%s);" % js(form)]
        for name, value in values.items():
            script.append("var e = f.elements[%s];" % js(name))
            if value is True or value is False:
                script.append("e.checked = %s;" % ("true" if value else "false"))
            else:
                script.append("e.value = %s;" % js(value))
        script.append("f.submit();")
        b._events, b.dialogs = [], 0
        b.call("Runtime.evaluate", {"expression": "\n".join(script)}, session=True)
        deadline = time.monotonic() + browse.BROWSER_TIMEOUT
        while not any(e.get("method") == "Page.loadEventFired" for e in b._events):
            b._events.append(b._read(deadline))
        r = b.call("Runtime.evaluate", {"expression": "location.href + '\\n' + document.documentElement.outerHTML",
                                        "returnByValue": True}, session=True)
        where, text = r["result"]["value"].split("\n", 1)
        p = SitePage(text)
        p.location = where
        return p


def js(value):
    return '"' + str(value).replace("\\", "\\\\").replace('"', '\\"').replace("\n", "\\n") + '"'


def query(db, sql, args=()):
    con = sqlite3.connect(db)
    try:
        return con.execute(sql, args).fetchall()
    finally:
        con.close()


def run(cmd, env):
    r = subprocess.run(cmd, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                       stderr=subprocess.STDOUT, env=env, text=True, timeout=300)
    if r.returncode != 0:
        raise RuntimeError("%s failed (%d):\n%s" % (" ".join(cmd), r.returncode, r.stdout))
    return r.stdout


def program_env(work):
    # A home of its own (the program keeps its settings there); the ODBC drivers' own leaks
    # are not the program's.
    env = dict(os.environ, HOME=os.path.join(work, "home"), ASAN_OPTIONS="detect_leaks=0")
    os.makedirs(env["HOME"], exist_ok=True)
    return env


def generate(source, build, work):
    """The sample project made by the program from a copy of the sample database, and its
    site; the path of the database the site uses."""
    env = program_env(work)
    db = os.path.join(work, "shop.db")
    browse.shop_database(source, build, db)
    con = sqlite3.connect(db)
    con.execute("UPDATE customers SET note = ? WHERE customer_id = 1", (STORED_SCRIPT,))
    con.commit()
    con.close()
    exe = os.path.join(build, "brindlewood")
    kvz = os.path.join(work, "shop.kvz")
    site = os.path.join(work, "site")
    run([exe, "new", kvz, "--db", db, "--template",
         os.path.join(build, "share", "brindlewood", "templates", "default.zip")], env)
    run([exe, "run", os.path.join(source, "samples", "shop.vbs"), kvz], env)
    # Two languages: the pages then read their phrases from the generated language files and
    # offer a chooser.
    languages(os.path.join(work, "lang"), env)
    run([exe, "set", kvz, "MultiLanguage", "True"], env)
    run([exe, "set", kvz, "LanguageFiles", "english.xml,french.xml"], env)
    # The site's root, where it keeps its copy of the database (App_Data).
    os.makedirs(os.path.join(site, "App_Data"))
    run([exe, "set", kvz, "AppRootFolder", site], env)
    run([exe, "generate", kvz, "--dest", site, "--overwrite"], env)
    copy = os.path.join(site, "App_Data", "shop.db")
    if not os.path.exists(copy):
        shutil.copyfile(db, copy)
    return site, copy


LANGUAGES = {
    "english.xml": ("en", "English", {"Search": "Search", "Home": "Home", "Save": "Save"}),
    "french.xml": ("fr", "Français", {"Search": "Chercher", "Home": "Accueil", "Save": "Enregistrer",
                                      "Yes": "Oui", "No": "Non"}),
}


def languages(folder, env):
    """Writes the language files and points the user's settings (made by the program's first
    run) at their folder."""
    os.makedirs(folder)
    for name, (lang_id, desc, phrases) in LANGUAGES.items():
        with open(os.path.join(folder, name), "w", encoding="utf-8") as f:
            f.write('<?xml version="1.0" encoding="utf-8"?>\n<language id="%s" desc="%s">\n<global>\n' % (lang_id, desc))
            for key, value in phrases.items():
                f.write('<phrase id="%s" value="%s"/>\n' % (key, value))
            f.write("</global>\n</language>\n")
    hive = os.path.join(env["HOME"], ".config", "brindlewood", "user.reg")
    with open(hive, encoding="utf-8") as f:
        text = f.read()
    text, n = re.subn(r'(?m)^"LanguageFolder"=".*"$', lambda m: '"LanguageFolder"="%s"' % folder, text)
    if n != 1:
        raise RuntimeError("no LanguageFolder in " + hive)
    with open(hive, "w", encoding="utf-8") as f:
        f.write(text)


def main():
    args = browse.arguments(__doc__)
    if isinstance(args, int):
        return args
    source, build, chromium = args

    work = os.path.join(build, "sample-site-test")
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    started = time.monotonic()
    try:
        site, db = generate(source, build, work)
    except (RuntimeError, OSError, subprocess.TimeoutExpired) as e:
        print("FAIL the sample site was not generated: %s" % e)
        return 1
    print("site generated in %.1f s" % (time.monotonic() - started))
    shots = os.path.join(work, "screenshots")
    os.makedirs(shots)

    status = browse.serve_and_check(source, build, work, site, chromium, "default.aspx",
                                    lambda c, server, browser: run_checks(c, Site(server, browser), db, shots))
    if status == 0 and os.environ.get("QUILLET_PG_ODBC"):
        status = postgres_site(source, build, os.path.join(work, "postgres"), chromium)
    elif status == 0:
        print("(no PostgreSQL server given: scripts/test.sh starts one; its part is left out)")
    return status


PG_SCHEMA = "shop_site"


def psql(sql):
    env = dict(os.environ, PGPASSWORD=os.environ["QUILLET_PG_PASSWORD"])
    r = subprocess.run(["psql", "-X", "-q", "-A", "-t", "-v", "ON_ERROR_STOP=1",
                        "-h", os.environ["QUILLET_PG_HOST"], "-p", os.environ["QUILLET_PG_PORT"],
                        "-U", os.environ["QUILLET_PG_USER"], "-d", os.environ["QUILLET_PG_DATABASE"],
                        "-c", sql], env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                       text=True, timeout=60)
    if r.returncode != 0:
        raise RuntimeError("psql: " + r.stdout)
    return [line.split("|") for line in r.stdout.splitlines() if line]


def postgres_site(source, build, work, chromium):
    """The customers of a PostgreSQL schema as a site over ODBC: one list and one edit."""
    os.makedirs(work)
    psql("DROP SCHEMA IF EXISTS %s CASCADE; CREATE SCHEMA %s;"
         "CREATE TABLE %s.customers (customer_id INTEGER PRIMARY KEY, name VARCHAR(60) NOT NULL,"
         " city VARCHAR(40) NOT NULL, joined_on DATE NOT NULL, is_active BOOLEAN NOT NULL);"
         "INSERT INTO %s.customers SELECT i, 'Customer ' || i, CASE WHEN i %% 2 = 0 THEN 'Zürich'"
         " ELSE 'Lyon' END, DATE '2020-01-01' + i, i %% 3 <> 0 FROM generate_series(1, 30) i;"
         % ((PG_SCHEMA,) * 4))
    env = program_env(work)
    exe = os.path.join(build, "brindlewood")
    kvz = os.path.join(work, "pg.kvz")
    site = os.path.join(work, "site")
    try:
        run([exe, "new", kvz, "--db", os.environ["QUILLET_PG_ODBC"] + ";ConnSettings=SET search_path TO " + PG_SCHEMA,
             "--template", os.path.join(build, "share", "brindlewood", "templates", "default.zip")], env)
        run([exe, "set", kvz, "ProgramLanguage", "C#"], env)
        run([exe, "set", kvz, "TblGen", "True", "--table", "customers"], env)
        run([exe, "set", kvz, "AppRootFolder", site], env)
        run([exe, "generate", kvz, "--dest", site, "--overwrite"], env)
    except (RuntimeError, OSError, subprocess.TimeoutExpired) as e:
        print("FAIL the PostgreSQL site was not generated: %s" % e)
        return 1

    def checks(c, server, browser):
        site_ = Site(server, browser)
        page = site_.get("customerslist.aspx?page=2")
        want = [int(r[0]) for r in psql("SELECT customer_id FROM %s.customers ORDER BY customer_id" % PG_SCHEMA)]
        c.expect(sorted(ids(page)) == want[20:30] and page.total() == (2, 2, 30),
                 "PostgreSQL: list page 2 shows customers 21 to 30", "%r %r" % (ids(page), page.total()))
        zurich = site_.get("customerslist.aspx?q=" + urllib.parse.quote("Zürich"))
        c.expect(zurich.total() == (1, 1, 15), "PostgreSQL: the search finds the 15 in Zürich", repr(zurich.total()))
        site_.submit("customersedit.aspx?k0=3", {"x_name": "Renamed <i>3</i>", "x_joined_on": "2021-05-06",
                                                 "x_is_active": True})
        got = psql("SELECT name, joined_on, is_active FROM %s.customers WHERE customer_id = 3" % PG_SCHEMA)
        c.expect(got == [["Renamed <i>3</i>", "2021-05-06", "t"]], "PostgreSQL: the edit page changes the row",
                 repr(got))

    try:
        return browse.serve_and_check(source, build, work, site, chromium, "default.aspx", checks)
    finally:
        psql("DROP SCHEMA IF EXISTS %s CASCADE" % PG_SCHEMA)


def ids(page):
    return [int(r[0]) for r in page.rows if r and r[0].isdigit()]


def run_checks(c, site, db, shots):
    home = site.get("default.aspx")
    lists = {"categorieslist.aspx", "customerslist.aspx", "productslist.aspx", "orderslist.aspx",
             "order_lineslist.aspx", "order_totalslist.aspx", "sales_by_cityreport.aspx"}
    hrefs = {h for h, _, _ in home.links}
    c.expect(lists <= hrefs, "the home page and its menu lead to every list", repr(sorted(hrefs)))
    c.expect(site.browser.screenshot(site.url("default.aspx"), os.path.join(shots, "home.png")),
             "a screenshot of the home page")

    # Paging: 20 rows a page, in the table's order; the pager's link leads to page 2.
    first = site.get("customerslist.aspx")
    c.expect(ids(first) == list(range(1, 21)) and first.total() == (1, 3, 60),
             "list page 1 shows customers 1 to 20 of 60", "%r %r" % (ids(first), first.total()))
    second = site.get(first.link("next"))
    c.expect(ids(second) == list(range(21, 41)) and second.total() == (2, 3, 60),
             "list page 2 shows customers 21 to 40", repr(ids(second)))
    c.expect(site.browser.screenshot(site.url("customerslist.aspx"), os.path.join(shots, "list.png")),
             "a screenshot of the list page")

    # The stored <script> value is text on the page, and nothing ran.
    c.expect(first.scripts == 0 and STORED_SCRIPT in first.text,
             "a stored <script> value is shown as text, not run", "scripts %d" % first.scripts)

    # Sorting by the name column (its header link), both ways.
    by_name = site.get(first.link(text="name"))
    want = [r[0] for r in query(db, "SELECT customer_id FROM customers ORDER BY name, customer_id LIMIT 20")]
    names = [r[1] for r in by_name.rows]
    c.expect(names == sorted(names) and set(ids(by_name)) <= set(r[0] for r in query(db, "SELECT customer_id FROM customers")) and
             len(ids(by_name)) == 20 and names[0] == query(db, "SELECT MIN(name) FROM customers")[0][0],
             "the list sorts by name", repr(names[:3]))
    desc = site.get(by_name.link(text="name"))
    dnames = [r[1] for r in desc.rows]
    c.expect(dnames == sorted(dnames, reverse=True) and dnames[0] == query(db, "SELECT MAX(name) FROM customers")[0][0],
             "a second click sorts the other way", repr(dnames[:3]))
    del want

    # Searches over the text fields; an injection attempt finds nothing and stays text.
    for text in ("Zürich", "Novak", "' OR 1=1 --", "<script>alert(1)</script>"):
        like = "%" + text + "%"
        want = query(db, "SELECT COUNT(*) FROM customers WHERE name LIKE ?1 OR city LIKE ?1 "
                         "OR email LIKE ?1 OR note LIKE ?1", (like,))[0][0]
        page = site.get("customerslist.aspx?q=" + urllib.parse.quote(text))
        got = page.total()
        c.expect(got is not None and got[2] == want and len(page.rows) == min(want, 20)
                 and page.search_value == text and page.scripts == 0,
                 "search for %s finds %d" % (text, want),
                 "total %r rows %d value %r scripts %d" % (got, len(page.rows), page.search_value, page.scripts))
    injection = site.get("customerslist.aspx?q=" + urllib.parse.quote("' OR 1=1 --"))
    c.expect(injection.total() == (1, 1, 0), "the injection search shows no row", repr(injection.total()))

    # Lookups show the other table's name, formats the field's.
    products = site.get("productslist.aspx")
    cats = {str(i): n for i, n in query(db, "SELECT category_id, name FROM categories")}
    row = products.rows[0]
    pid, cat, price = query(db, "SELECT product_id, category_id, unit_price FROM products ORDER BY product_id LIMIT 1")[0]
    c.expect(row[0] == str(pid) and row[1] == cats[str(cat)] and row[3] == "%.2f" % price,
             "the product list shows the category's name and the price with two digits", repr(row))
    c.expect(len(products.svgs) == 1 and "bar" in products.svgs[0], "the product list draws its bar chart",
             repr(products.svgs))

    # Master/detail: the orders of one customer.
    customer = 3
    first = site.get("customerslist.aspx")
    detail = [h for h, cls, _ in first.links if cls == "detail" and h.endswith("master=%d" % customer)]
    c.expect(len(detail) == 1, "each customer links to their orders")
    if detail:
        orders = site.get(detail[0])
        want = query(db, "SELECT COUNT(*) FROM orders WHERE customer_id = ?", (customer,))[0][0]
        cname = query(db, "SELECT name FROM customers WHERE customer_id = ?", (customer,))[0][0]
        c.expect(want > 0 and orders.total()[2] == want and all(r[1] == cname for r in orders.rows),
                 "the detail list shows only that customer's %d orders" % want, repr(orders.total()))

    # A view page.
    view = site.get(products.link("view"))
    name = query(db, "SELECT name FROM products WHERE product_id = ?", (pid,))[0][0]
    c.expect(name in view.text and cats[str(cat)] in view.text, "the view page shows the product", view.text[:200])

    # Add: the form's checks first, then a row that reaches the database.
    before = query(db, "SELECT COUNT(*) FROM categories")[0][0]
    add = site.get("categoriesadd.aspx")
    bad = site.submit("categoriesadd.aspx", {"x_name": "", **({"x_category_id": "x"} if "x_category_id" in add.fields else {})})
    c.expect(bad.errors == 1 and query(db, "SELECT COUNT(*) FROM categories")[0][0] == before,
             "a form with a missing name and a wrong number is refused with messages", bad.text[-300:])
    values = {"x_name": "Spices & Herbs", "x_description": "Ground, whole — and dried"}
    if "x_category_id" in add.fields:
        values["x_category_id"] = "7"
    added = site.submit("categoriesadd.aspx", values)
    got = query(db, "SELECT category_id, description FROM categories WHERE name = ?", ("Spices & Herbs",))
    c.expect(len(got) == 1 and got[0][1] == values["x_description"] and added.location.endswith("categorieslist.aspx"),
             "the add page adds the category", repr(got))

    # Edit: a value with markup is stored as typed and shown as text.
    edit_url = "productsedit.aspx?k0=%d" % pid
    c.expect(site.browser.screenshot(site.url(edit_url), os.path.join(shots, "edit.png")),
             "a screenshot of the edit page")
    site.submit(edit_url, {"x_name": "<b>Bold</b> tea", "x_unit_price": "4.5", "x_in_stock": False})
    got = query(db, "SELECT name, unit_price, in_stock FROM products WHERE product_id = ?", (pid,))[0]
    c.expect(got == ("<b>Bold</b> tea", 4.5, 0), "the edit page changes the product", repr(got))
    view = site.get("productsview.aspx?k0=%d" % pid)
    c.expect("<b>Bold</b> tea" in view.text and "<b>" not in view.html.replace("&lt;b&gt;", ""),
             "the edited name shows as text")
    too_long = site.submit(edit_url, {"x_name": "x" * 61, "x_unit_price": "cheap"})
    c.expect(too_long.errors == 1 and query(db, "SELECT name FROM products WHERE product_id = ?", (pid,))[0][0] == "<b>Bold</b> tea",
             "a name over 60 characters and a price that is no number are refused", too_long.text[-300:])

    # Delete: the confirmation page, then the row is gone.
    if got:
        new_id = query(db, "SELECT category_id FROM categories WHERE name = ?", ("Spices & Herbs",))
        if new_id:
            site.submit("categoriesdelete.aspx?k0=%d" % new_id[0][0], {}, form="confirm")
            c.expect(query(db, "SELECT COUNT(*) FROM categories")[0][0] == before,
                     "the delete page deletes the category")

    # Charts: a column chart and a pie over the order totals.
    totals = site.get("order_totalslist.aspx")
    kinds = " ".join(totals.svgs)
    c.expect(len(totals.svgs) == 2 and "column" in kinds and "pie" in kinds,
             "the order totals draw a column chart and a pie", repr(totals.svgs))
    cities = query(db, "SELECT COUNT(DISTINCT city) FROM order_totals")[0][0]
    c.expect(totals.html.count("<rect") >= cities, "the column chart has a column per city")

    # The report: the orders grouped by city, a sum per city and the grand total.
    report = site.get("sales_by_cityreport.aspx")
    sums = [r[-1] for r in report.rows if r and r[0] in ("Sum", "Grand total")]
    want = ["%.2f" % v for (v,) in query(db, "SELECT SUM(total) FROM order_totals GROUP BY city ORDER BY city")]
    want.append("%.2f" % query(db, "SELECT SUM(total) FROM order_totals")[0][0])
    c.expect(sums == [w if float(w) < 1000 else "{:,.2f}".format(float(w)) for w in want],
             "the report sums the totals of each city and of all", "%r / %r" % (sums, want))

    # The language chooser: English first, French chosen by its link and kept for the next
    # pages (a phrase of the markup, one of the page's code, the record's key kept), then
    # English again.
    home = site.get("default.aspx")
    chooser = {t: (h, cls) for h, cls, t in home.links if cls.startswith("language")}
    c.expect(set(chooser) == {"English", "Français"} and chooser["English"][1] == "language chosen",
             "every page offers the two languages, English chosen", repr(chooser))
    french = site.get(chooser["Français"][0]) if "Français" in chooser else home
    c.expect(french.link(text="Accueil") == "default.aspx", "the French link shows the home page in French",
             french.text[:200])
    products = site.get("productslist.aspx")
    c.expect("Chercher" in products.text and "Search" not in products.text and
             any(v in ("Oui", "Non") for r in products.rows for v in r),
             "the French choice is kept: the list searches in French and shows flags as Oui and Non",
             repr(products.rows[:2]))
    edit = site.get("productsedit.aspx?k0=%d" % pid)
    english = edit.link(cls="language", text="English")
    back = site.get(english) if english else edit
    c.expect("Enregistrer" in edit.text and english is not None and "k0=%d" % pid in english and
             "Save" in back.text and back.fields.get("x_name", {}).get("value") == "<b>Bold</b> tea",
             "the edit page in French, and its English link leads to the same record in English",
             "%r %r" % (english, back.text[-200:]))


if __name__ == "__main__":
    sys.exit(main())
