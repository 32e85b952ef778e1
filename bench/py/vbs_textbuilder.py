# Twin of the text builder benchmark: a builder object collecting appended text into one
# string (Python's idiom: a list joined at the end).
import sys, time

class StringBuilder:
    def __init__(self):
        self.parts = []

    def append(self, s):
        self.parts.append(s)

    def to_string(self):
        return "".join(self.parts)

def main(n):
    start = time.perf_counter()
    sb = StringBuilder()
    for i in range(1, n + 1):
        sb.append("x")
    text = sb.to_string()
    elapsed = time.perf_counter() - start
    assert len(text) == n
    print(elapsed, len(text))

main(int(sys.argv[1]))
