# Twins of the page functions of bench/vbslib_page.cpp: the same texts from the same walks
# over 50 fields, with a list-backed builder. Prints the best seconds of one page and the
# length of the page in bytes.
import sys, time

class Field:
    def __init__(self, i):
        self.name = "Field" + str(i)
        self.visible = i % 3 != 0

    @property
    def caption(self):
        return "Caption of " + self.name

fields = [Field(i) for i in range(50)]

class Builder:
    def __init__(self):
        self.parts = []

    def append(self, s):
        self.parts.append(s)

    def to_string(self):
        text = "".join(self.parts)
        self.parts = []
        return text

sb = Builder()

def page_concat():
    # Python's idiom for growing one string: += appends in place.
    s = ""
    for i in range(1, 101):
        for f in fields:
            if f.visible:
                s += '<td class="c">' + f.caption + "</td>" + "\r\n"
            else:
                s += "<td>" + f.name[:3].upper() + "</td>"
    return s

def page_builder():
    for i in range(1, 101):
        for f in fields:
            if f.visible:
                sb.append('<td class="c">' + f.caption + "</td>" + "\r\n")
            else:
                sb.append("<td>" + f.name[:3].upper() + "</td>")
    return sb.to_string()

def page_dictionary():
    d = {}
    for i in range(1, 101):
        d["key" + str(i)] = "value " + str(i)
    for i in range(1, 51):
        for k in d:
            if "1" in k:
                sb.append(d[k].replace("value", "v"))
            else:
                sb.append(k)
    return sb.to_string()

def main(name):
    fn = {"PageConcat": page_concat, "PageBuilder": page_builder,
          "PageDictionary": page_dictionary}[name]
    best = None
    page = ""
    deadline = time.perf_counter() + 0.5
    while best is None or time.perf_counter() < deadline:
        start = time.perf_counter()
        page = fn()
        t = time.perf_counter() - start
        if best is None or t < best:
            best = t
    print(best, len(page.encode("utf-8")))

main(sys.argv[1])
