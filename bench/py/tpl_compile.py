# Twin of the template compile benchmark: reads the fixture set's control file and template
# files, cuts the sessions, expands includes and translates the blocks of every control into
# its script function, written to a folder; the same work as the engine's cold compile.
import os, re, sys, time
import xml.etree.ElementTree as ET

CRLF = "\r\n"

def norm(t):
    return t.replace("\r\n", "\n").replace("\r", "\n").replace("\n", CRLF)

def read(path):
    with open(path, "rb") as f:
        data = f.read()
    try:
        return data.decode("utf-8")
    except UnicodeDecodeError:
        return data.decode("cp1252")

SESSION = re.compile(r"<!--##session(.*?)##-->", re.I | re.S)
CLOSE = re.compile(r"<!--##/session##-->", re.I)
INCLUDE = re.compile(r"<!--##include", re.I)

def sessions(text, name, cache):
    text = norm(text)
    pos = 0
    while True:
        m = SESSION.search(text, pos)
        if not m:
            return
        end = CLOSE.search(text, m.end())
        if end:
            cache[(name, m.group(1).strip())] = text[m.end():end.start()]
        pos = m.end()

def expand(cache, f, s, out):
    text = cache.get((f, s))
    if text is None:
        return
    pos = 0
    while True:
        m = INCLUDE.search(text, pos)
        if not m:
            break
        out.append(text[pos:m.start()])
        c = text.find("##-->", m.end())
        if c < 0:
            pos = m.start()
            break
        parts = text[m.end():c].strip().split("/")
        if len(parts) == 2:
            expand(cache, parts[0].strip(), parts[1].strip(), out)
        pos = c + 5
    out.append(text[pos:])

def literal(t):
    return "&vbCrLf&".join('"' + line.replace('"', '""') + '"' for line in t.split(CRLF))

class Compiler:
    def __init__(self):
        self.lits, self.body, self.n = [], [], 0

    def translate(self, text):
        e, p = 0, text.find("<!--##")
        while p >= 0:
            if p > e:
                self.content(text[e:p])
            c = text.find("##-->", p)
            q = text.find("<!--##", p + 6)
            if c < 0 or (0 <= q < c):
                raise ValueError("bad block")
            k = text[p + 6:p + 7]
            v = text[p + 7:c]
            if k == "=":
                self.body.append("qzSB.Append(%s)" % v.strip())
            elif k == "~":
                prev = text[e:p] if p > e else ""
                ind = prev[len(prev.rstrip(" \t")):]
                self.body += ['qz_IndentWrk = "%s"' % ind, "qzSB.Append(qz_IndentWrk)",
                              "qzSB.Append(%s)" % v.strip()]
            elif k == "@":
                self.body.append('qzSB.Append("<%%= ReportLanguage.Phrase(""%s"") %%>")'
                                 % v.strip().replace('"', '""""'))
            elif k == "$":
                self.body.append('qzSB.Append("<%%= ReportLanguage.Phrase(""" & %s & """) %%>")'
                                 % v.strip())
            else:
                self.body.append(text[p + 6:c])
            e, p = c + 5, q
        if e < len(text):
            self.content(text[e:])

    def content(self, t):
        self.n += 1
        self.lits.append("qzAr(%d) = %s" % (self.n, literal(t)))
        self.body.append("qzSB.Append(qzAr(%d))" % self.n)

    def frame(self, name):
        lines = ["Function %s()" % name, "If bHandleTemplateError Then On Error Resume Next",
                 "Dim qzAr(%d)" % self.n, "Dim qzSB", "Set qzSB = New StringBuilder",
                 "Call qz_SetLocale()", "Dim SYSTEMFUNCTIONS",
                 "Set SYSTEMFUNCTIONS = New cSystemFunctions", "Call qz_LoadCurrent()"]
        lines += self.lits + [""] + self.body + ["", name + " = qzSB.ToString()",
                                                   "Set SYSTEMFUNCTIONS = Nothing", "End Function"]
        return CRLF.join(lines) + CRLF

MARKERS = {"control_start": "Control_Start", "class_start": "Class_Start",
           "class_end": "Class_End"}

def compile_set(folder, out):
    cache = {}
    for name in os.listdir(folder):
        if name.endswith(".tpl"):
            sessions(read(os.path.join(folder, name)), name, cache)
    root = ET.parse(os.path.join(folder, "control.xml")).getroot()
    count = 0
    for ctrl in root:
        a = {k.lower(): v for k, v in ctrl.attrib.items()}
        if a.get("type") in ("copy", "folder", "function"):
            continue
        comp = Compiler()
        subs = [s for s in ctrl if s.tag.lower() == "session"]
        if not subs:
            files = [f.strip() for f in a["ifiles"].split(",")]
            comp.translate(norm("".join(read(os.path.join(folder, f))
                                        for f in files if os.path.exists(os.path.join(folder, f)))))
        for s in subs:
            sa = {k.lower(): v for k, v in s.attrib.items()}
            t, v = sa.get("type", ""), sa.get("value", "")
            if t == "key":
                pieces = []
                expand(cache, sa.get("ifile") or a["ifiles"], v, pieces)
                for piece in pieces:
                    comp.translate(piece)
            elif t in MARKERS:
                comp.translate("<!--##=%s##-->" % MARKERS[t] + CRLF)
            elif t in ("register", "include"):
                p = v.split("/")
                if len(p) >= 3:
                    comp.translate("<!--##=%s(%s,%s,%s)##-->" % (t.capitalize(), p[0], p[1], p[2])
                                   + CRLF)
        ident = re.sub(r"[^A-Za-z0-9_]", "_", "qzExDefault_vb_" + a["id"] + a.get("tagext", ""))
        with open(os.path.join(out, "Default_vb_%s%s.tpl" % (a["id"], a.get("tagext", ""))),
                  "w", encoding="utf-8", newline="") as f:
            f.write(comp.frame(ident))
        count += 1
    return count

def main(folder, out, n):
    start = time.perf_counter()
    for _ in range(n):
        count = compile_set(folder, out)
    print(time.perf_counter() - start, count)

main(sys.argv[1], sys.argv[2], int(sys.argv[3]))
